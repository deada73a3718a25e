#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/Datetime.h"
#include "transfer/Webexchange.h"
#include "transfer/Wizardpage.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// What the course list compares of one row.
struct TCourseListRow {
    std::string Name;
    std::optional<TDateTime> Date;  // none for a date that is no date (sorts first)
    std::string Country;
    std::string User;
    std::string Rate;
};
// -1, 0 or 1 for the list's sort column (0 name, 1 date, 2 country, 3 user,
// 4 rate as text), locale-aware and case-sensitive; reversed when descending.
int CompareCourseRows(const TCourseListRow& a, const TCourseListRow& b, int column,
                      bool ascending);

// Step 3 of the web download road: the web service's courses that match the
// query, queried on every show; "Next >" downloads the chosen ones.
class TTransWiz33 : public TWizardPage {
public:
    explicit TTransWiz33(QWidget* owner = nullptr);
    ~TTransWiz33() override;

    void FormShow() override;
    void NextButtonClick();
    void CourseListBoxColumnClick(int column);
    int CourseListBoxCompare(const QTreeWidgetItem* row1, const QTreeWidgetItem* row2) const;
    void SortList();

    static std::string GetTagValue(const std::string& openTag, const std::string& text,
                                   const std::string& closeTag);
    static std::string GetLineValue(const std::string& line, const std::string& tag);
    static std::string GetLineNumber(const std::string& line, const std::string& tag);
    // Writes the chosen courses of the reply into the database, and into the
    // wizard's state the names imported and those of the chosen ones that did
    // not come; throws when it cannot (nothing kept).
    void ImportCourses(const std::string& reply);
    // The selected rows: web id and name, in list order.
    std::vector<std::pair<int, std::string>> SelectedCourses() const;

    std::string WebAddress;
    int SortColumn = 0;
    unsigned char SortAscending = 1;
    int PreviousSortColumn = 0;
    // Set by a refused query or download or a network error; the page then
    // closes on its next paint. One flag for the class, cleared on every show.
    static inline unsigned char QueryFailed = 0;

    QTreeWidget* CourseListBox;  // item data: the web id
    QPushButton* BackButton;
    QPushButton* NextButton;
    QPushButton* CancelButton;
    TWebExchange CourseHTTP;

protected:
    void paintEvent(QPaintEvent* e) override;
};

extern TTransWiz33* TransWiz33;
