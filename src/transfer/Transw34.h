#pragma once
#include <string>
#include <utility>
#include <vector>

#include "transfer/Wizardpage.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class TDatabase;

// Step 2 of the web download road: the query criteria (country, state, a
// course-name text) handed to the course list page.
class TTransWiz34 : public TWizardPage {
public:
    explicit TTransWiz34(QWidget* owner = nullptr);
    ~TTransWiz34() override;

    void FormCreate();  // the country list, once
    void FormShow() override;
    void LoadStates();
    void NextButtonClick();

    // 0 when the page before has just opened it, 1 after this page's "Next >".
    unsigned char Visited = 0;

    QComboBox* CountryComboBox;  // item data: the CountryId
    QComboBox* StateComboBox;    // item data: the StateId
    QLineEdit* CourseEdit;
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;
};

extern TTransWiz34* TransWiz34;

// (id, name) pairs, both trimmed, in table order: every country, and the
// states of one country (a bound value, so a quote in an id is data).
std::vector<std::pair<std::string, std::string>> CountryList(TDatabase& db);
std::vector<std::pair<std::string, std::string>> StateList(TDatabase& db,
                                                           const std::string& countryId);
