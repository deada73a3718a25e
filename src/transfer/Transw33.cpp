#include "transfer/Transw33.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Messagebox.h"
#include "platform/Version.h"
#include "common/Frame.h"
#include "common/Progresswin.h"
#include "db/Database.h"
#include "transfer/Transfercommon.h"
#include "transfer/Transw4.h"
#include "transfer/Webdocument.h"
#include "transfer/Webquery.h"
#include "transfer/Webreply.h"
#include "transfer/Webupload.h"
#include "transfer/Wizardstate.h"

TTransWiz33* TransWiz33 = nullptr;

namespace {
constexpr int kDateRole = Qt::UserRole + 1;

class CourseItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        auto* page = treeWidget() ? dynamic_cast<TTransWiz33*>(treeWidget()->window()) : nullptr;
        if (!page) return QTreeWidgetItem::operator<(other);
        return page->CourseListBoxCompare(this, &other) < 0;
    }
};

TCourseListRow RowOf(const QTreeWidgetItem* item) {
    TCourseListRow r;
    r.Name = item->text(0).toStdString();
    const QVariant d = item->data(1, kDateRole);
    if (d.isValid()) r.Date = d.toDouble();
    r.Country = item->text(2).toStdString();
    r.User = item->text(3).toStdString();
    r.Rate = item->text(4).toStdString();
    return r;
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

std::string FileVersionText() {
    return Frame() && !Frame()->FileVersion.empty() ? Frame()->FileVersion
                                                      : FileVersionString();
}

int UserId() { return Frame() ? Frame()->GetUserId() : 0; }
} // namespace

int CompareCourseRows(const TCourseListRow& a, const TCourseListRow& b, int column,
                      bool ascending) {
    int c = 0;
    if (column == 1) {
        if (a.Date && b.Date) c = *a.Date < *b.Date ? -1 : *a.Date > *b.Date ? 1 : 0;
        else c = a.Date ? 1 : b.Date ? -1 : 0;
    } else {
        const std::string* x = &a.Name;
        const std::string* y = &b.Name;
        if (column == 2) x = &a.Country, y = &b.Country;
        if (column == 3) x = &a.User, y = &b.User;
        if (column == 4) x = &a.Rate, y = &b.Rate;
        c = Sign(QString::localeAwareCompare(QString::fromStdString(*x),
                                             QString::fromStdString(*y)));
        if (c == 0 && *x != *y) c = *x < *y ? -1 : 1;  // case decides where the locale does not
    }
    return ascending ? c : -c;
}

TTransWiz33::TTransWiz33(QWidget* owner) : TWizardPage(owner) {
    setObjectName("TransWiz33");
    setWindowTitle("Transfer Wizard - step 3");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(HeaderPanel(this, "Courses to download",
                                  "Please choose what you want to download"));
    CourseListBox = new QTreeWidget(this);
    CourseListBox->setObjectName("CourseListBox");
    CourseListBox->setAccessibleName("Courses");
    CourseListBox->setRootIsDecorated(false);
    CourseListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    CourseListBox->setSelectionBehavior(QAbstractItemView::SelectRows);
    CourseListBox->setHeaderLabels({"Course Name", "Create date", "Country", "User Name", "Rate"});
    // Each column at least as wide as its whole heading.
    const int widths[] = {100, 80, 70, 65, 40};
    for (int i = 0; i < 5; ++i)
        CourseListBox->setColumnWidth(i, std::max(widths[i], CourseListBox->header()->sectionSizeHint(i)));
    CourseListBox->header()->setSectionsClickable(true);
    connect(CourseListBox->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { CourseListBoxColumnClick(column); });
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 0, 12, 0);
    body->addWidget(CourseListBox);
    body->addWidget(new QLabel("To continue, click Next.", this));
    layout->addLayout(body);
    ButtonRow(layout, BackButton, NextButton, CancelButton);
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
}

TTransWiz33::~TTransWiz33() {
    if (TransWiz33 == this) TransWiz33 = nullptr;
}

std::string TTransWiz33::GetTagValue(const std::string& openTag, const std::string& text,
                                     const std::string& closeTag) {
    return ::GetTagValue(openTag, text, closeTag);
}
std::string TTransWiz33::GetLineValue(const std::string& line, const std::string& tag) {
    return ::GetLineValue(line, tag);
}
std::string TTransWiz33::GetLineNumber(const std::string& line, const std::string& tag) {
    return ::GetLineNumber(line, tag);
}

void TTransWiz33::paintEvent(QPaintEvent* e) {
    TWizardPage::paintEvent(e);
    if (QueryFailed == 1 && isVisible()) done(wizard::Cancelled);
}

void TTransWiz33::FormShow() {
    QueryFailed = 0;
    CourseListBox->clear();
    const TWebSettings s = ReadWebSettings(UserId());
    try {
        CourseHTTP.SetProxy(s.FirewallAdress, s.Portnumber);
    } catch (const std::exception& e) {
        ShowErrorMessage(e, "Caddora");
        QueryFailed = 1;
        done(wizard::Cancelled);
        return;
    }
    WebAddress = s.Address;
    TWizardState& state = WizardState();
    std::string reply;
    try {
        TRequestFile file("transfer.xml",
                          CourseTitlesQuery(BuildNumber(FileVersionText()), s.UserName,
                                            s.Password, state.QueryCountryId, state.QueryStateId,
                                            state.QueryCourseName));
        reply = CourseHTTP.Post(ServiceUrl(WebAddress), file.Read());
    } catch (const std::exception& e) {
        MessageBox(NetworkErrorMessage(e.what()), "Network connection error");
        QueryFailed = 1;
        done(wizard::Cancelled);
        return;
    }
    if (IsNotOkReply(reply)) {
        MessageBox(RefusalText(reply), "Incorrect Peakrally settings");
        QueryFailed = 1;
        done(wizard::Cancelled);
        return;
    }
    for (const TWebCourseTitle& row : ParseCourseTitles(reply)) {
        auto* item = new CourseItem(CourseListBox);
        item->setData(0, Qt::UserRole, row.WebId);
        if (!row.HasDetails) continue;
        item->setText(0, QString::fromStdString(row.Name));
        item->setText(1, QString::fromStdString(row.DateText));
        if (row.Date) item->setData(1, kDateRole, *row.Date);
        item->setText(2, QString::fromStdString(row.Country));
        item->setText(3, QString::fromStdString(row.User));
        item->setText(4, QString::fromStdString(row.Rate));
    }
    SortList();
    state.Send.TransferKind = 5;
}

int TTransWiz33::CourseListBoxCompare(const QTreeWidgetItem* row1,
                                      const QTreeWidgetItem* row2) const {
    return CompareCourseRows(RowOf(row1), RowOf(row2), SortColumn, SortAscending == 1);
}

void TTransWiz33::SortList() { CourseListBox->sortItems(0, Qt::AscendingOrder); }

void TTransWiz33::CourseListBoxColumnClick(int column) {
    PreviousSortColumn = SortColumn;
    SortColumn = column;
    SortAscending = SortColumn == PreviousSortColumn && SortAscending == 1 ? 0 : 1;
    SortList();
}

std::vector<std::pair<int, std::string>> TTransWiz33::SelectedCourses() const {
    std::vector<std::pair<int, std::string>> rows;
    for (int i = 0; i < CourseListBox->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = CourseListBox->topLevelItem(i);
        if (item->isSelected())
            rows.emplace_back(item->data(0, Qt::UserRole).toInt(), item->text(0).toStdString());
    }
    return rows;
}

void TTransWiz33::ImportCourses(const std::string& reply) {
    const auto asked = SelectedCourses();
    std::vector<int> ids;
    for (const auto& row : asked) ids.push_back(row.first);
    TWebCourseImport import(Frame()->Database);
    TWizardState& state = WizardState();
    state.ImportedCourses = import.Import(reply, ids);
    state.MissingCourses = MissingCourses(asked, import.StoredWebIds());
}

void TTransWiz33::NextButtonClick() {
    const int userId = UserId();
    const TWebSettings s = ReadWebSettings(userId);
    try {
        CourseHTTP.SetProxy(s.FirewallAdress, s.Portnumber);
    } catch (const std::exception& e) {
        ShowErrorMessage(e, "Caddora");
        return;
    }
    std::vector<int> ids;
    for (const auto& row : SelectedCourses()) ids.push_back(row.first);
    if (ids.size() > 3) {
        MessageBox("You can only tranfer 3 courses at a time", "Too many courses");
        return;
    }
    if (ids.empty()) {
        MessageBox("You must choose at least one course", "No courses chosen");
        return;
    }
    WizardState().ImportedCourses.clear();
    WizardState().MissingCourses.clear();
    {
        TProgressScope progress("Connecting...");
        std::string reply;
        try {
            progress.SetMessage("Receiving course data");
            TRequestFile file("test.xml", CoursesQuery(s.UserName, s.Password, ids));
            reply = CourseHTTP.Post(ServiceUrl(WebAddress), file.Read());
        } catch (const std::exception& e) {
            HideProgress();
            MessageBox(NetworkErrorMessage(e.what()), "Network connection error");
            QueryFailed = 1;
            done(wizard::Cancelled);
            return;
        }
        if (IsNotOkReply(reply)) {
            HideProgress();
            MessageBox(RefusalText(reply), "Incorrect Peakrally settings");
            QueryFailed = 1;
            done(wizard::Cancelled);
            return;
        }
        try {
            progress.SetMessage("Updating courses data");
            ImportCourses(reply);
        } catch (const std::exception& e) {
            HideProgress();
            // A reply that does not fit says no more; the database says why it failed.
            const bool database = dynamic_cast<const EDatabaseError*>(&e) != nullptr;
            ShowMessage(std::string("Course update failed") + (database ? "\n" + std::string(e.what()) : ""));
            done(wizard::Cancelled);
            return;
        }
    }
    if (Frame()) Frame()->RefreshListWindows();
    if (!TransWiz4) return;
    WizardState().Send.TransferKind = 5;
    OpenNext(TransWiz4);
}
