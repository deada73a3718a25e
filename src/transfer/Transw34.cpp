#include "transfer/Transw34.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "db/Table.h"
#include "platform/Messagebox.h"
#include "platform/Textutil.h"
#include "common/Caption.h"
#include "common/Frame.h"
#include "transfer/Transw33.h"
#include "transfer/Wizardstate.h"

TTransWiz34* TransWiz34 = nullptr;

std::vector<std::pair<std::string, std::string>> CountryList(TDatabase& db) {
    std::vector<std::pair<std::string, std::string>> out;
    TTable t(&db, "Country");
    t.Open();
    for (t.First(); !t.Eof(); t.Next())
        out.emplace_back(TrimLine(t.FieldByName("CountryId").AsString()),
                         TrimLine(t.FieldByName("Country").AsString()));
    return out;
}

std::vector<std::pair<std::string, std::string>> StateList(TDatabase& db,
                                                           const std::string& countryId) {
    std::vector<std::pair<std::string, std::string>> out;
    TTable t(&db, "States");
    t.SetFilter("CountryId = " + QuotedStr(countryId));
    t.Open();
    for (t.First(); !t.Eof(); t.Next())
        out.emplace_back(TrimLine(t.FieldByName("StateId").AsString()),
                         t.FieldByName("StateName").AsString());
    return out;
}

TTransWiz34::TTransWiz34(QWidget* owner) : TWizardPage(owner) {
    setObjectName("TransWiz34");
    setWindowTitle("Transfer Wizard - step 2");
    QBoxLayout* side = PictureSide(TWizardArt::Query);
    // Text and boxes keep the page's margin to the right edge, as the buttons do.
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, PageMargin, 0);
    side->addLayout(layout, 1);
    layout->addWidget(HeadingLabel(this, "Course query"));
    layout->addWidget(new QLabel("Please fill in query criteries", this));
    auto* grid = new QGridLayout;
    CountryComboBox = new QComboBox(this);
    CountryComboBox->setObjectName("CountryComboBox");
    CountryComboBox->setAccessibleName("Country");
    StateComboBox = new QComboBox(this);
    StateComboBox->setObjectName("StateComboBox");
    StateComboBox->setAccessibleName("State");
    grid->addWidget(Caption("Country", CountryComboBox), 0, 0);
    grid->addWidget(Caption("State", StateComboBox), 0, 1);
    grid->addWidget(CountryComboBox, 1, 0);
    grid->addWidget(StateComboBox, 1, 1);
    CourseEdit = new QLineEdit(this);
    CourseEdit->setObjectName("CourseEdit");
    CourseEdit->setAccessibleName("Course name");
    grid->addWidget(Caption("Course name", CourseEdit), 2, 0);
    grid->addWidget(CourseEdit, 3, 0, 1, 2);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addWidget(new QLabel("To submit query, click Next.", this));
    ButtonRow(side, BackButton, NextButton, CancelButton);
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
    connect(CountryComboBox, &QComboBox::currentIndexChanged, this, [this] { LoadStates(); });
    FormCreate();
}

TTransWiz34::~TTransWiz34() {
    if (TransWiz34 == this) TransWiz34 = nullptr;
}

// Made at start: a country table that does not read is told as a failed
// load, and the list stays empty.
void TTransWiz34::FormCreate() {
    if (!Frame() || !Frame()->DatabaseOpen()) return;
    const QSignalBlocker block(CountryComboBox);
    try {
        for (const auto& [id, name] : CountryList(Frame()->Database))
            CountryComboBox->addItem(QString::fromStdString(name), QString::fromStdString(id));
    } catch (const std::exception& e) {
        CountryComboBox->clear();
        ShowErrorMessage(e);
    }
    CountryComboBox->setCurrentIndex(-1);
}

void TTransWiz34::FormShow() {
    if (Visited != 0) return;
    {
        const QSignalBlocker block(CountryComboBox);
        CountryComboBox->setCurrentIndex(-1);
    }
    StateComboBox->setCurrentIndex(-1);
    CourseEdit->clear();
    LoadStates();
}

void TTransWiz34::LoadStates() {
    if (CountryComboBox->currentIndex() < 0) {
        StateComboBox->setEnabled(false);
        return;
    }
    StateComboBox->clear();
    if (Frame() && Frame()->DatabaseOpen()) {
        const std::string countryId = CountryComboBox->currentData().toString().toStdString();
        try {
            for (const auto& [id, name] : StateList(Frame()->Database, countryId))
                StateComboBox->addItem(QString::fromStdString(name), QString::fromStdString(id));
        } catch (const std::exception& e) {
            StateComboBox->clear();
            ShowErrorMessage(e);
        }
    }
    StateComboBox->setEnabled(StateComboBox->count() > 0);
    StateComboBox->setCurrentIndex(-1);
}

void TTransWiz34::NextButtonClick() {
    if (!TransWiz33) return;
    TWizardState& state = WizardState();
    state.QueryCountryId.clear();
    state.QueryStateId.clear();
    if (CountryComboBox->currentIndex() >= 0)
        state.QueryCountryId = TrimLine(CountryComboBox->currentData().toString().toStdString());
    if (StateComboBox->isEnabled() && StateComboBox->currentIndex() >= 0)
        state.QueryStateId = TrimLine(StateComboBox->currentData().toString().toStdString());
    state.QueryCourseName = CourseEdit->text().toStdString();
    // The list opens sorted by name.
    TransWiz33->SortColumn = 0;
    TransWiz33->SortAscending = 1;
    TransWiz33->PreviousSortColumn = 0;
    Visited = 1;
    // The list page opens on top of this one, at its own place.
    OpenNext(TransWiz33, false);
}
