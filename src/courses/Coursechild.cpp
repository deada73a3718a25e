#include "courses/Coursechild.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "courses/Coursecard.h"
#include "courses/Coursestore.h"
#include "courses/Createcourse.h"
#include "courses/Newpoint.h"
#include "courses/Scorecard.h"
#include "db/Jettext.h"
#include "platform/Datafolder.h"
#include "common/Caption.h"
#include "common/Memo.h"
#include "platform/Messagebox.h"
#include "platform/Qtext.h"
#include "common/Helpwindow.h"
#include "common/Frame.h"
#include "common/Printform.h"
#include "common/Progresswin.h"
#include "common/Pictures.h"

namespace {
// Kinds of scorecard boxes, kept in the box's "Kind" property.
enum BoxKind { KindNone, KindLength, KindPar, KindStroke, KindMatch, KindRating, KindSlope };

std::function<bool(const QUrl&)>& LinkOpener() {
    static std::function<bool(const QUrl&)> opener = [](const QUrl& url) {
        return QDesktopServices::openUrl(url);
    };
    return opener;
}

std::string S(const QString& s) {
    return s.toStdString();
}

// Whether a rating or slope box keeps its stored value: the user left it as
// built (Qt's modified mark tells a box typed into since it was last set).
bool KeepsBuilt(const QLineEdit* box) {
    return KeepsStored(S(box->text()), S(box->property("Built").toString()), box->isModified());
}

QColor WindowsColour(unsigned c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

std::string IsMeterNow() {
    return Frame() ? Frame()->GetIsMeter() : std::string("true");
}
} // namespace

QUrl CourseLinkUrl(const std::string& text, bool email) {
    const QString t = Q(text).trimmed();
    if (t.isEmpty()) return {};
    if (email) {
        // An address only: no scheme of its own, no second address part.
        if (t.contains(':') || t.contains('/') || t.contains('\\') || t.contains('?') ||
            !t.contains('@'))
            return {};
        QUrl url("mailto:" + t);
        return url.isValid() ? url : QUrl();
    }
    QUrl url = QUrl::fromUserInput(t);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != "http" && scheme != "https") || url.host().isEmpty())
        return {};
    return url;
}

void SetLinkOpener(std::function<bool(const QUrl&)> opener) {
    LinkOpener() =
        opener ? std::move(opener) : [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

TCourseFrm::TCourseFrm(QWidget* owner)
    : QWidget(nullptr), CourseGeneralTable(nullptr, "Course_General"),
      ScorecardTable(nullptr, "ScoreCard"), HolesTable(nullptr, "Holes"),
      WaypointTable(nullptr, "Waypoints"), CountryTable(nullptr, "Country"),
      StateTable(nullptr, "States") {
    setObjectName("CourseFrm");
    setWindowTitle("Course");
    SetHelpContext(this, 2);
    HolesTable.AddSort("[CourseId] ASC");
    HolesTable.AddSort("[HoleNumber] ASC");
    WaypointTable.AddSort("[HoleId] ASC");
    WaypointTable.AddSort("[Type] ASC");
    CountryTable.AddSort("[Country] ASC");

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    DetailsTab = new QWidget;
    DetailsTab->setObjectName("DetailsTab");
    ScorecardTab = new QWidget;
    ScorecardTab->setObjectName("ScorecardTab");
    CoursepointsTab = new QWidget;
    CoursepointsTab->setObjectName("CoursepointsTab");
    PageControl->addTab(DetailsTab, "Details");
    PageControl->addTab(ScorecardTab, "Scorecard");
    PageControl->addTab(CoursepointsTab, "Coursepoints");

    // Details: a caption, then the view label and the edit box in one cell;
    // two columns of fields, the description under them.
    auto* details = new QGridLayout(DetailsTab);
    details->setColumnStretch(1, 1);
    details->setColumnStretch(3, 1);
    int row = 0, col = 0;
    const auto field = [&](const char* caption, const char* labelName, const char* editName,
                           int maxLength, QLabel** label, QLineEdit** edit) {
        auto* captionLabel = new QLabel(caption, DetailsTab);
        details->addWidget(captionLabel, row, col);
        *label = new QLabel(DetailsTab);
        (*label)->setObjectName(labelName);
        (*label)->hide();
        details->addWidget(*label, row, col + 1);
        if (edit) {
            *edit = new QLineEdit(DetailsTab);
            (*edit)->setObjectName(editName);
            (*edit)->setMaxLength(maxLength);
            (*edit)->hide();
            details->addWidget(*edit, row, col + 1);
            captionLabel->setBuddy(*edit);
        }
        ++row;
        return captionLabel;
    };
    field("Name: *", "NameLabel", "NameEdit", 50, &NameLabel, &NameEdit);
    field("Address:", "AddrLabel1", "AddressEdit1", 50, &AddrLabel1, &AddressEdit1);
    field("City:", "AddrLabel2", "AddressEdit2", 50, &AddrLabel2, &AddressEdit2);
    field("Zip code:", "ZipLabel", "ZipEdit", 20, &ZipLabel, &ZipEdit);
    QLabel* countryCaption = field("Country: *", "CountryLabel", nullptr, 0, &CountryLabel, nullptr);
    CountryComboBox = new QComboBox(DetailsTab);
    countryCaption->setBuddy(CountryComboBox);
    CountryComboBox->setObjectName("CountryComboBox");
    CountryComboBox->hide();
    details->addWidget(CountryComboBox, row - 1, col + 1);
    QLabel* stateCaption = field("State:", "StateLabel", nullptr, 0, &StateLabel, nullptr);
    StateComboBox = new QComboBox(DetailsTab);
    stateCaption->setBuddy(StateComboBox);
    StateComboBox->setObjectName("StateComboBox");
    StateComboBox->hide();
    details->addWidget(StateComboBox, row - 1, col + 1);
    const int rows = row;
    row = 0;
    col = 2;
    field("Telephone:", "TelLabel", "TelephoneEdit", 20, &TelLabel, &TelephoneEdit);
    field("Fax:", "FaxLabel", "FaxEdit", 20, &FaxLabel, &FaxEdit);
    field("URL:", "URLLabel", "URLEdit", 50, &URLLabel, &URLEdit);
    field("Email:", "EmailLabel", "EmailEdit", 50, &EmailLabel, &EmailEdit);
    field("U8 Name: *", "U8NameLabel", "U8NameEdit", 8, &U8NameLabel, &U8NameEdit); // U8_Name: 8
    URLLabel->setCursor(Qt::PointingHandCursor);
    EmailLabel->setCursor(Qt::PointingHandCursor);
    URLLabel->installEventFilter(this);
    EmailLabel->installEventFilter(this);
    row = rows;
    Memo1 = new QPlainTextEdit(DetailsTab);
    Memo1->setObjectName("Memo1");
    details->addWidget(Caption("Description:", Memo1), row, 0, Qt::AlignTop);
    Memo1->setTabChangesFocus(true);
    details->addWidget(Memo1, row++, 1, 1, 3);
    details->setRowStretch(row - 1, 1);
    requiredLabel = new QLabel("All fields with (*) are required", DetailsTab);
    requiredLabel->setObjectName("requiredLabel");
    requiredLabel->hide();
    details->addWidget(requiredLabel, row++, 0, 1, 4);

    // Scorecard headings; the boxes are made by BuildScorecardGrid.
    const auto heading = [this](const char* name, const char* text, int left, int top) {
        auto* l = new QLabel(text, ScorecardTab);
        l->setObjectName(name);
        l->move(left, top);
        return l;
    };
    heading("Label11", "Hole", 20, 22);
    Label12 = heading("Label12", "Par", 140, 22);
    Label13 = heading("Label13", "HCP", 200, 22);
    Label15 = heading("Label15", "Hole", 330, 22);
    Label16 = heading("Label16", "Par", 450, 22);
    Label17 = heading("Label17", "HCP", 510, 22);
    UnitLabel = heading("UnitLabel", "(m)", 60, 22);
    UnitLabel2 = heading("UnitLabel2", "(m)", 370, 22);
    heading("Label19", "Men", 20, 290);
    heading("Label20", "Course Rating / Slope", 50, 305);
    heading("Label23", "Women", 330, 290);
    heading("Label24", "Course Rating / Slope", 360, 305);
    ScorecardTab->setMinimumSize(640, 370);

    // Course points.
    auto* points = new QVBoxLayout(CoursepointsTab);
    auto* tools = new QHBoxLayout;
    const auto tool = [this, tools](const char* name, const char* hint, const char* glyph) {
        auto* b = new QToolButton(CoursepointsTab);
        b->setObjectName(name);
        b->setText(glyph);
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        tools->addWidget(b);
        return b;
    };
    SpeedButton1 = tool("SpeedButton1", "Add coursepoint", "+");
    SpeedButton2 = tool("SpeedButton2", "Edit coursepoint", "...");
    SpeedButton3 = tool("SpeedButton3", "Delete coursepoint", "-");
    tools->addStretch();
    points->addLayout(tools);
    CoursepointsListView = new QTreeWidget(CoursepointsTab);
    CoursepointsListView->setObjectName("CoursepointsListView");
    CoursepointsListView->setAccessibleName("Coursepoints");
    CoursepointsListView->setRootIsDecorated(false);
    CoursepointsListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    CoursepointsListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CoursepointsListView->setHeaderLabels({"Hole", "Type", "Description", "Latitude", "Longitude"});
    CoursepointsListView->setContextMenuPolicy(Qt::CustomContextMenu);
    CoursepointsListView->installEventFilter(this);
    CoursepointsListView->viewport()->installEventFilter(this);
    points->addWidget(CoursepointsListView);
    PopupMenuCoursePoint = new QMenu(this);
    PopupMenuCoursePoint->setObjectName("PopupMenuCoursePoint");
    QAction* add = PopupMenuCoursePoint->addAction("Add new coursepoint");
    add->setObjectName("Addnewcoursepoint");
    QAction* editPoint = PopupMenuCoursePoint->addAction("Edit coursepoint");
    editPoint->setObjectName("Editcoursepoint");
    QAction* deletePoint = PopupMenuCoursePoint->addAction("Delete coursepoint");
    deletePoint->setObjectName("Deletecoursepoint");
    connect(add, &QAction::triggered, this, [this] { AddnewcoursepointClick(); });
    connect(editPoint, &QAction::triggered, this, [this] { EditcoursepointClick(); });
    connect(deletePoint, &QAction::triggered, this, [this] { DeletecoursepointClick(); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { AddnewcoursepointClick(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { EditcoursepointClick(); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { DeletecoursepointClick(); });
    connect(CoursepointsListView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                if (EditMode == 1)
                    PopupMenuCoursePoint->popup(CoursepointsListView->viewport()->mapToGlobal(at));
            });

    const auto button = [this](const char* name, const char* text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    OKBtn = button("OKBtn", "OK");
    CancelBtn = button("CancelBtn", "Cancel");
    HelpBtn = button("HelpBtn", "Help");
    AdvancedButton = button("AdvancedButton", "Hole settings");
    PrintButton = button("PrintButton", "Print Scorecard");
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    connect(HelpBtn, &QPushButton::clicked, this, [this] { HelpBtnClick(); });
    connect(AdvancedButton, &QPushButton::clicked, this, [this] { AdvancedButtonClick(); });
    connect(PrintButton, &QPushButton::clicked, this, [this] { PrintButtonClick(); });
    connect(CountryComboBox, &QComboBox::activated, this, [this] { CountryComboBoxChange(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(AdvancedButton);
    buttons->addWidget(PrintButton);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    layout->addLayout(buttons);
    resize(681, 468);

    if (owner && owner != FrameWindow()) OwnerList = owner;
    if (Frame()) {
        for (TTable* t : {&CourseGeneralTable, &ScorecardTable, &HolesTable, &WaypointTable,
                          &CountryTable, &StateTable})
            t->SetDatabase(&Frame()->Database);
    }
    FormCreate();
}

TCourseFrm::~TCourseFrm() = default;

void TCourseFrm::FormCreate() {
    if (!CountryTable.Database()) return;
    CountryTable.Open();
    QStringList names;
    for (CountryTable.First(); !CountryTable.Eof(); CountryTable.Next())
        names << Q(CountryTable.FieldByName("Country").AsString()).trimmed();
    CountryTable.Close();
    SortNames(names);
    CountryComboBox->addItems(names);
    CountryComboBox->setCurrentIndex(-1);
    CoursepointsListView->setToolTip("");
}

void TCourseFrm::ShowDetailsMode() {
    const bool edit = EditMode == 1;
    for (QLineEdit* e : {NameEdit, ZipEdit, TelephoneEdit, FaxEdit, URLEdit, EmailEdit,
                         AddressEdit1, AddressEdit2, U8NameEdit})
        e->setVisible(edit);
    for (QLabel* l : {NameLabel, ZipLabel, TelLabel, FaxLabel, URLLabel, EmailLabel, AddrLabel1,
                      AddrLabel2, U8NameLabel, CountryLabel, StateLabel})
        l->setVisible(!edit);
    CountryComboBox->setVisible(edit);
    StateComboBox->setVisible(edit);
    requiredLabel->setVisible(edit);
    Memo1->setReadOnly(!edit);
    CoursepointsListView->setToolTip(edit ? "Right-click to edit/add" : "");
    if (!edit) {
        CancelBtn->setText("Close");
        OKBtn->setEnabled(false);
        AdvancedButton->setEnabled(false);
        for (QToolButton* b : {SpeedButton1, SpeedButton2, SpeedButton3})
            b->setEnabled(false);
    }
}

void TCourseFrm::LoadCourseDetails() {
    CourseGeneralTable.Open();
    CountryTable.Open();
    StateTable.Open();
    CourseGeneralTable.First();
    const auto text = [this](const char* f) {
        return Q(CourseGeneralTable.FieldByName(f).AsString());
    };
    const auto both = [&](const char* f, QLabel* l, QLineEdit* e) {
        l->setText(text(f));
        e->setText(text(f));
    };
    courseName_ = CourseGeneralTable.FieldByName("Course_Name").AsString();
    both("Course_Name", NameLabel, NameEdit);
    both("Zip_Code", ZipLabel, ZipEdit);
    both("Telephone", TelLabel, TelephoneEdit);
    both("Fax", FaxLabel, FaxEdit);
    both("Link", URLLabel, URLEdit);
    both("Email", EmailLabel, EmailEdit);
    both("Address1", AddrLabel1, AddressEdit1);
    both("Address2", AddrLabel2, AddressEdit2);
    both("U8_Name", U8NameLabel, U8NameEdit);
    SetMemoText(Memo1, text("Description"));
    if (PrintingForm) PrintingForm->CardTitle = courseName_;
    setWindowTitle("Course - " + Q(courseName_));
    ShowDetailsMode();

    const TVariant countryId = CourseGeneralTable.FieldByName("Country").Value();
    const TVariant stateId = CourseGeneralTable.FieldByName("State").Value();
    const TVariant country =
        countryId.IsNull() ? TVariant() : CountryTable.Lookup("CountryId", {countryId}, "Country");
    if (!country.IsNull()) {
        const QString name = Q(country.AsString()).trimmed();
        CountryLabel->setText(name);
        CountryComboBox->setCurrentIndex(CountryComboBox->findText(name));
    }
    if (!stateId.IsNull()) {
        // The state of the course's own country: state codes repeat between countries.
        const TVariant state =
            country.IsNull()
                ? StateTable.Lookup("StateId", {stateId}, "StateName")
                : StateTable.Lookup("CountryId;StateId", {countryId, stateId}, "StateName");
        if (!state.IsNull()) {
            const QString name = Q(state.AsString()).trimmed();
            StateLabel->setText(name);
            FillStateList();
            StateComboBox->setCurrentIndex(StateComboBox->findText(name));
        }
    }
    CourseGeneralTable.Close();
    CountryTable.Close();
    StateTable.Close();
}

void TCourseFrm::FillStateList() {
    const QString selected = StateComboBox->currentText();
    const QString country = CountryComboBox->currentText().trimmed();
    if (CountryComboBox->currentIndex() < 0 || country.isEmpty()) {
        StateComboBox->setEnabled(false);
        return;
    }
    const bool countryOpen = CountryTable.Active();
    if (!countryOpen) CountryTable.Open();
    const TVariant id = CountryTable.Lookup("Country", {TVariant(S(country))}, "CountryId");
    if (!countryOpen) CountryTable.Close();
    const bool stateOpen = StateTable.Active();
    StateTable.SetFilter("CountryId = " + QuotedStr(id.AsString()));
    if (!stateOpen) StateTable.Open();
    QStringList names;
    for (StateTable.First(); !StateTable.Eof(); StateTable.Next())
        names << Q(StateTable.FieldByName("StateName").AsString()).trimmed();
    if (!stateOpen) StateTable.Close();
    SortNames(names);
    StateComboBox->clear();
    StateComboBox->addItems(names);
    StateComboBox->setCurrentIndex(StateComboBox->findText(selected));
    StateComboBox->setEnabled(StateComboBox->count() > 0);
}

void TCourseFrm::CountryComboBoxChange() {
    StateComboBox->setCurrentIndex(-1);
    FillStateList();
}

QLineEdit* TCourseFrm::MakeBox(const QString& name, int left, int top, int kind, unsigned colour) {
    auto* box = new QLineEdit(ScorecardTab);
    box->setObjectName(name);
    box->setGeometry(left, top, 30, 20);
    box->setFrame(true);
    // Four digits (a total length) fit the 30-pixel box.
    QFont font = box->font();
    font.setPixelSize(10);
    box->setFont(font);
    box->setTextMargins(-1, 0, -1, 0);
    box->setProperty("Kind", kind);
    box->setProperty("Colour", colour);
    QPalette p = box->palette();
    p.setColor(QPalette::Base, WindowsColour(colour));
    p.setColor(QPalette::Text, IsDarkColour(colour) ? Qt::white : Qt::black);
    box->setPalette(p);
    box->installEventFilter(this);
    return box;
}

void TCourseFrm::BuildScorecardGrid() {
    static const QRegularExpression digits("[0-9]*");
    const std::string isMeter = IsMeterNow();
    gridUnit_ = isMeter;
    const TCourseScorecard card = ReadScorecard(CourseGeneralTable, ScorecardTable, HolesTable);
    const TScorecardGrid grid = BuildGrid(card, isMeter, EditMode == 1);
    DestroyGrid();
    gridRows_ = grid.rows;
    gridTees_ = grid.tees;
    // The unit the lengths are shown in: yards only for "false".
    UnitLabel->setText(isMeter == "false" ? "(y)" : "(m)");
    UnitLabel2->setText(UnitLabel->text());
    if (PrintingForm) {
        PrintingForm->TeeCount = grid.tees;
        PrintingForm->RowCount = grid.rows;
    }
    const int tees = grid.tees;
    // "Par" and "HCP" stand over the par and stroke-index columns, which
    // move with the number of tees.
    Label12->move(20 + 30 * (tees + 1), Label12->y());
    Label13->move(20 + 30 * (tees + 2), Label13->y());
    Label16->move(330 + 30 * (tees + 1), Label16->y());
    Label17->move(330 + 30 * (tees + 2), Label17->y());
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c <= tees + 3; ++c) {
            const TGridCell& cell = grid.cell[r][c];
            if (!cell.exists) continue;
            int kind = KindNone, maxLength = 3;
            if (c >= 1 && c <= tees)
                kind = KindLength;
            else if (c == tees + 1)
                kind = KindPar, maxLength = 1;
            else if (c == tees + 2)
                kind = KindStroke, maxLength = 2;
            else if (c == tees + 3)
                kind = KindMatch, maxLength = 2;
            const int left = 20 + 30 * c + (r > 9 ? 310 : 0);
            const int top = 40 + 20 * (r % 10) + (r >= 20 ? 200 : 0);
            QLineEdit* box = MakeBox(QString("ScorecardEditR%1C%2").arg(r).arg(c), left, top,
                                     IsHoleRow(r, grid.rows > 10) ? kind : KindNone, cell.colour);
            box->setProperty("Row", r);
            box->setProperty("Column", c);
            // The limit holds for typing; a stored value or a total shows whole.
            box->setMaxLength(std::max(maxLength, static_cast<int>(Q(cell.text).size())));
            box->setText(Q(cell.text));
            box->setToolTip(Q(cell.hint));
            box->setValidator(new QRegularExpressionValidator(digits, box));
            box->setReadOnly(!cell.editable);
            if (c == 0) box->setFocusPolicy(Qt::ClickFocus);
            box->setVisible(cell.visible);
            ScorecardEdit[r][c] = box;
        }
    }
    for (int i = 0; i < 12; ++i) {
        const int tee = i % 6 + 1;
        const int left = (i < 6 ? 50 : 360) + 30 * (tee - 1);
        if (grid.rating[i].exists) {
            QLineEdit* box = MakeBox(QString("RatingEditT%1").arg(i), left, 325, KindRating,
                                     grid.rating[i].colour);
            box->setToolTip("Course Rating");
            box->setMaxLength(std::max(4, static_cast<int>(Q(grid.rating[i].text).size())));
            box->setText(Q(grid.rating[i].text));
            box->setProperty("Built", box->text());
            box->setReadOnly(!grid.rating[i].editable);
            box->setVisible(grid.rating[i].visible);
            RatingEdit[i] = box;
        }
        if (grid.slope[i].exists) {
            QLineEdit* box =
                MakeBox(QString("SlopeEditT%1").arg(i), left, 345, KindSlope, grid.slope[i].colour);
            box->setToolTip("Slope");
            box->setMaxLength(std::max(3, static_cast<int>(Q(grid.slope[i].text).size())));
            box->setValidator(new QRegularExpressionValidator(digits, box));
            box->setText(Q(grid.slope[i].text));
            box->setProperty("Built", box->text());
            box->setReadOnly(!grid.slope[i].editable);
            box->setVisible(grid.slope[i].visible);
            SlopeEdit[i] = box;
        }
    }
    const bool right = grid.rows > 10;
    for (QLabel* l : {Label15, Label16, Label17, UnitLabel2})
        l->setVisible(right);
}

void TCourseFrm::DestroyGrid() {
    for (auto& row : ScorecardEdit)
        for (QLineEdit*& box : row) {
            delete box;
            box = nullptr;
        }
    for (QLineEdit*& box : RatingEdit) {
        delete box;
        box = nullptr;
    }
    for (QLineEdit*& box : SlopeEdit) {
        delete box;
        box = nullptr;
    }
    EnteredBox = nullptr;
    gridRows_ = 0;
}

QLineEdit* TCourseFrm::Cell(int row, int column) const {
    if (row < 0 || row >= MaxGridRows || column < 0 || column >= MaxGridColumns) return nullptr;
    return ScorecardEdit[row][column];
}

void TCourseFrm::ParExit(QLineEdit* box) {
    box->setText(Q(CheckPar(S(box->text()))));
}

void TCourseFrm::LengthExit(QLineEdit* box) {
    box->setText(Q(CheckLength(S(box->text()), gridUnit_)));
}

// A rating or slope the user left as stored stays as it is.
void TCourseFrm::RatingExit(QLineEdit* box) {
    if (KeepsBuilt(box)) return;
    box->setText(Q(CheckRating(S(box->text()), gridRows_ <= 10)));
}

void TCourseFrm::SlopeExit(QLineEdit* box) {
    if (KeepsBuilt(box)) return;
    box->setText(Q(CheckSlope(S(box->text()))));
}

void TCourseFrm::BoxEnter(QLineEdit* box) {
    EnteredBox = box;
    EntryValue = IntDef(S(box->text()), 0);
}

void TCourseFrm::RunIndexRule(QLineEdit* box, bool stroke) {
    const int column = box->property("Column").toInt();
    const int row = box->property("Row").toInt();
    std::vector<std::string> texts(static_cast<size_t>(gridRows_));
    for (int r = 0; r < gridRows_; ++r)
        if (ScorecardEdit[r][column]) texts[r] = S(ScorecardEdit[r][column]->text());
    if (stroke)
        StrokeIndexExit(texts, row, gridRows_ > 10, EntryValue);
    else
        MatchIndexExit(texts, row, gridRows_ > 10, EntryValue);
    for (int r = 0; r < gridRows_; ++r)
        if (ScorecardEdit[r][column] && IsHoleRow(r, gridRows_ > 10) &&
            S(ScorecardEdit[r][column]->text()) != texts[r])
            ScorecardEdit[r][column]->setText(Q(texts[r]));
}

void TCourseFrm::StrokeExit(QLineEdit* box) {
    RunIndexRule(box, true);
}

void TCourseFrm::MatchExit(QLineEdit* box) {
    RunIndexRule(box, false);
}

void TCourseFrm::ExitBox(QLineEdit* box) {
    if (box->isReadOnly()) return;
    switch (box->property("Kind").toInt()) {
    case KindLength:
        LengthExit(box);
        break;
    case KindPar:
        ParExit(box);
        break;
    case KindStroke:
        StrokeExit(box);
        break;
    case KindMatch:
        MatchExit(box);
        break;
    case KindRating:
        RatingExit(box);
        break;
    case KindSlope:
        SlopeExit(box);
        break;
    default:
        break;
    }
}

bool TCourseFrm::eventFilter(QObject* watched, QEvent* e) {
    if (auto* box = qobject_cast<QLineEdit*>(watched); box && box->property("Kind").isValid()) {
        const int kind = box->property("Kind").toInt();
        if (e->type() == QEvent::FocusIn && !box->isReadOnly() &&
            (kind == KindStroke || kind == KindMatch))
            BoxEnter(box);
        else if (e->type() == QEvent::FocusOut)
            ExitBox(box);
    } else if (watched == URLLabel && e->type() == QEvent::MouseButtonRelease) {
        URLLabelClick();
    } else if (watched == EmailLabel && e->type() == QEvent::MouseButtonRelease) {
        EmailLabelClick();
    } else if (watched == CoursepointsListView && e->type() == QEvent::KeyPress) {
        CoursepointsListViewKeyDown(static_cast<QKeyEvent*>(e)->key());
    } else if (watched == CoursepointsListView->viewport() &&
               e->type() == QEvent::MouseButtonDblClick) {
        // A double-click on empty space clears the selection first.
        const QPoint at = static_cast<QMouseEvent*>(e)->position().toPoint();
        if (!CoursepointsListView->itemAt(at))
            CoursepointsListView->clearSelection();
        else
            CoursepointsListView->setCurrentItem(CoursepointsListView->itemAt(at));
        CoursepointsListViewDblClick();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TCourseFrm::SaveCourseHoles() {
    // The box that has the focus is checked as if it were left.
    if (auto* box = qobject_cast<QLineEdit*>(focusWidget()); box && box->property("Kind").isValid())
        ExitBox(box);
    int storedTees = 0;
    {
        TTableCloser closer{&CourseGeneralTable};
        CourseGeneralTable.Open();
        CourseGeneralTable.First();
        if (CourseGeneralTable.IsEmpty()) throw EDatabaseError("The course was not found.");
        storedTees = StoredTeeCount(CourseGeneralTable.FieldByName("Tees"));
    }
    HolesTable.SetFilter(CourseGeneralTable.Filter());
    // The cells are read in the grid's own layout: the course's tees may have
    // changed since it was built (hole settings of another window).
    const bool holes18 = gridRows_ > 10;
    const int tees = gridTees_;
    TScorecardTexts texts;
    texts.rows = gridRows_;
    texts.tees = tees;
    texts.storedTees = storedTees;
    for (int r = 0; r < texts.rows; ++r) {
        if (!IsHoleRow(r, holes18)) continue;
        for (int c = 1; c <= tees + 3; ++c) {
            QLineEdit* box = Cell(r, c);
            if (!box) continue;
            if (c <= tees)
                LengthExit(box);
            else if (c == tees + 1)
                ParExit(box);
            texts.cell[r][c] = S(box->text());
        }
    }
    for (int i = 0; i < 12; ++i) {
        if (!RatingEdit[i] || !SlopeEdit[i]) continue;
        RatingExit(RatingEdit[i]);
        SlopeExit(SlopeEdit[i]);
        texts.hasRating[i] = true;
        texts.rating[i] = S(RatingEdit[i]->text());
        texts.slope[i] = S(SlopeEdit[i]->text());
        texts.keepRating[i] = KeepsBuilt(RatingEdit[i]);
        texts.keepSlope[i] = KeepsBuilt(SlopeEdit[i]);
    }
    WriteScorecard(ScorecardTable, HolesTable, texts, gridUnit_);
}

void TCourseFrm::SaveCourseGeneral() {
    TCourseDetails d;
    d.name = S(NameEdit->text());
    d.zip = S(ZipEdit->text());
    d.telephone = S(TelephoneEdit->text());
    d.fax = S(FaxEdit->text());
    d.link = S(URLEdit->text());
    d.email = S(EmailEdit->text());
    d.address1 = S(AddressEdit1->text());
    d.address2 = S(AddressEdit2->text());
    d.description = S(Memo1->toPlainText());
    d.u8Name = S(U8NameEdit->text());
    if (CountryComboBox->currentIndex() >= 0)
        d.country = S(CountryComboBox->currentText().trimmed());
    if (StateComboBox->currentIndex() >= 0) d.state = S(StateComboBox->currentText().trimmed());
    StateTable.SetFilter("");
    WriteCourseDetails(CourseGeneralTable, CountryTable, StateTable, d);
}

// Both pages in one transaction; a failure is shown and nothing is written.
bool TCourseFrm::SaveAll() {
    if (!Frame() || !GridBuilt()) return false;
    try {
        TTransaction tx(Frame()->Database);
        SaveCourseHoles();
        SaveCourseGeneral();
        tx.Commit();
    } catch (const EDatabaseError& e) {
        ShowErrorMessage(e);
        return false;
    }
    courseName_ = S(NameEdit->text().isEmpty() ? QString("No name") : NameEdit->text());
    setWindowTitle("Course - " + Q(courseName_));
    return true;
}

void TCourseFrm::OKBtnClick() {
    if (EditMode != 1 || !SaveAll()) return;
    CloseWindow();
}

void TCourseFrm::CancelBtnClick() {
    CloseWindow();
}

void TCourseFrm::CloseWindow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

void TCourseFrm::ApplyBtnClick() {
    if (!SaveAll()) return;
    BuildScorecardGrid();
}

void TCourseFrm::HelpBtnClick() {
    if (Frame()) Frame()->ShowHelp(GetHelpContext(this));
}

void TCourseFrm::URLLabelClick() {
    const QUrl url = CourseLinkUrl(S(URLLabel->text()), false);
    if (!url.isEmpty()) LinkOpener()(url);
}

void TCourseFrm::EmailLabelClick() {
    const QUrl url = CourseLinkUrl(S(EmailLabel->text()), true);
    if (!url.isEmpty()) LinkOpener()(url);
}

void TCourseFrm::PrintButtonClick() {
    if (!GridBuilt()) return;
    TCardGrid card;
    card.rows = gridRows_;
    card.tees = gridTees_;
    for (int r = 0; r < gridRows_; ++r)
        for (int c = 0; c <= gridTees_ + 3 && c < MaxGridColumns; ++c)
            if (QLineEdit* box = ScorecardEdit[r][c]) {
                card.cell[r][c].text = S(box->text());
                card.cell[r][c].hint = S(box->toolTip());
                card.cell[r][c].colour = box->property("Colour").toUInt();
            }
    int roundHcp = 0, playingHcp = 0;
    if (PrintingForm) {
        PrintingForm->TeeCount = gridTees_;
        PrintingForm->RowCount = gridRows_;
        PrintingForm->CardTitle = courseName_; // this window's course, whichever was built last
        roundHcp = PrintingForm->RoundHcp;
        playingHcp = PrintingForm->PlayingHcp;
    }
    const std::string path = DataPath("coursescorecard.xml");
    if (!WriteCourseCard(path, card, courseName_, roundHcp, playingHcp)) {
        MessageBox("The file " + path + " cannot be written.", "Error", MB_OK, MB_ICONERROR);
        return;
    }
    if (PrintingForm) {
        PrintingForm->PrintMode = 0;
        PrintingForm->exec();
    }
}

void TCourseFrm::AdvancedButtonClick() {
    if (EditMode != 1) return;
    if (MessageBox("Do you want to save the changes you made?", "Save changes?", MB_YESNO) ==
        IDYES) {
        if (!SaveAll()) return;
    }
    const int id = Tag;
    closing_ = true; // the dialog reopens the course
    try {
        OpenEditCourseDialog(id);
    } catch (const EDatabaseError& e) {
        // The stored course cannot be edited (a tee count the dialog cannot
        // show): no dialog, and this window stays as it is.
        closing_ = false;
        ShowErrorMessage(e);
        return;
    }
    CancelBtnClick();
}

int TCourseFrm::SelectedPointId() const {
    QTreeWidgetItem* item = CoursepointsListView->currentItem();
    if (!item || !item->isSelected()) return -1;
    return item->data(0, Qt::UserRole).toInt();
}

void TCourseFrm::FillCoursepointList() {
    const std::vector<TPointRow> rows = ReadPointList(WaypointTable, HolesTable);
    CoursepointsListView->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const TPointRow& p : rows) {
        auto* item = new QTreeWidgetItem(
            {Q(p.hole), Q(p.type), Q(p.description), Q(p.latitude), Q(p.longitude)});
        item->setData(0, Qt::UserRole, p.pointId);
        items.push_back(item);
    }
    CoursepointsListView->addTopLevelItems(items);
    for (int c = 0; c < 5; ++c)
        CoursepointsListView->resizeColumnToContents(c);
}

// Prepares the course-point dialog for the course (lists of holes and tees),
// shows it for the point (0: a new one) and rebuilds the list.
void TCourseFrm::ShowPointDialog(int pointId) {
    if (!NewCoursePointFrm || !Frame()) return;
    TNewCoursePointFrm* d = NewCoursePointFrm;
    bool holes18 = false;
    int tees = 1;
    try {
        TTableCloser closer{&CourseGeneralTable};
        CourseGeneralTable.Open();
        CourseGeneralTable.First();
        holes18 = CourseGeneralTable.FieldByName("18Holes").AsBoolean();
        tees = StoredTeeCount(CourseGeneralTable.FieldByName("Tees"));
    } catch (const EDatabaseError& e) {
        // The tees changed to a count the window cannot show: no point is
        // placed on them.
        ShowErrorMessage(e);
        return;
    }
    ScorecardTable.Open();
    ScorecardTable.First();
    d->ComboBox4->clear();
    d->ComboBox5->clear();
    for (int h = 1; h <= (holes18 ? 18 : 9); ++h)
        d->ComboBox4->addItem(QString::number(h));
    for (int t = 1; t <= tees; ++t) {
        const std::string name =
            ScorecardTable.IsEmpty()
                ? std::string()
                : ScorecardTable.FieldByName("Tee" + std::to_string(t) + "Name").AsString();
        d->ComboBox5->addItem(name.empty() ? QString("Tee number: %1").arg(t) : Q(name));
    }
    ScorecardTable.Close();
    d->CourseId = Tag;
    d->PointId = pointId;
    if (pointId == 0) {
        d->ComboBox1->setCurrentIndex(0);
        d->LatComboBox->setCurrentIndex(0);
        d->LongComboBox->setCurrentIndex(0);
        d->ComboBox4->setCurrentIndex(0);
        d->ComboBox5->setCurrentIndex(0);
        d->Edit2->clear();
        // The coordinates stay from the last use.
        TNewCoursePointFrm::ShowCoordinate(d->Latitude, d->Latitude->text());
        TNewCoursePointFrm::ShowCoordinate(d->Longitude, d->Longitude->text());
        d->setWindowTitle("Add new coursepoint");
    } else {
        TTable point(&Frame()->Database, "Waypoints");
        point.SetFilter(WaypointTable.Filter());
        point.Open();
        if (!point.Locate("PointId", TVariant(pointId))) {
            // Gone since the list was built: nothing to edit.
            FillCoursepointList();
            return;
        }
        const QString hole = CoursepointsListView->currentItem()->text(0);
        d->ComboBox5->setCurrentIndex(point.FieldByName("Tee").AsInteger() - 1);
        d->ComboBox4->setCurrentIndex(IntDef(S(hole), 1) - 1);
        d->ComboBox1->setCurrentIndex(point.FieldByName("Type").AsInteger() - 1);
        const double lat = point.FieldByName("Latitude").AsFloat();
        const double lon = point.FieldByName("Longitude").AsFloat();
        d->LatComboBox->setCurrentIndex(lat > 0 ? 0 : 1);
        d->LongComboBox->setCurrentIndex(lon > 0 ? 0 : 1);
        TNewCoursePointFrm::ShowCoordinate(d->Latitude, Q(CoordinateBoxText(lat)));
        TNewCoursePointFrm::ShowCoordinate(d->Longitude, Q(CoordinateBoxText(lon)));
        d->Edit2->setText(Q(point.FieldByName("Description").AsString()));
        d->setWindowTitle("Edit coursepoint");
    }
    d->exec();
    FillCoursepointList();
}

void TCourseFrm::AddnewcoursepointClick() {
    ShowPointDialog(0);
}

void TCourseFrm::EditcoursepointClick() {
    const int id = SelectedPointId();
    if (id < 0) {
        MessageBox("No coursepoint selected!", "Error!", MB_OK, MB_ICONERROR);
        return;
    }
    ShowPointDialog(id);
}

void TCourseFrm::DeletecoursepointClick() {
    const int id = SelectedPointId();
    if (id < 0) {
        MessageBox("No coursepoint selected!", "Error!", MB_OK, MB_ICONERROR);
        return;
    }
    if (MessageBox("Are you sure?", "Delete coursepoint", MB_YESNO, MB_ICONQUESTION) == IDYES &&
        Frame())
        DeletePoint(Frame()->Database, id);
    FillCoursepointList();
}

void TCourseFrm::CoursepointsListViewDblClick() {
    if (EditMode != 1) return;
    if (SelectedPointId() < 0)
        AddnewcoursepointClick();
    else
        EditcoursepointClick();
}

void TCourseFrm::CoursepointsListViewKeyDown(int key) {
    // Course points are deleted in edit mode only.
    if (key == Qt::Key_Delete && EditMode == 1 && SelectedPointId() >= 0) DeletecoursepointClick();
}

void TCourseFrm::closeEvent(QCloseEvent* e) {
    closing_ = true;
    QWidget::closeEvent(e);
    if (Frame()) Frame()->RefreshListWindows();
}

TCourseFrm* FindCourseWindow(int courseId) {
    if (!Frame()) return nullptr;
    for (QWidget* w : Frame()->MdiChildren())
        if (auto* f = dynamic_cast<TCourseFrm*>(w); f && f->Tag == courseId && !f->Closing())
            return f;
    return nullptr;
}

TCourseFrm* OpenCourseWindow(QWidget* owner, int courseId, unsigned char editMode) {
    if (TCourseFrm* open = FindCourseWindow(courseId)) {
        if (Frame())
            Frame()->MdiArea()->setActiveSubWindow(
                qobject_cast<QMdiSubWindow*>(open->parentWidget()));
        return open;
    }
    auto* frm = new TCourseFrm(owner);
    frm->Tag = courseId;
    const std::string filter = "CourseId = " + std::to_string(courseId);
    for (TTable* t :
         {&frm->WaypointTable, &frm->CourseGeneralTable, &frm->ScorecardTable, &frm->HolesTable})
        t->SetFilter(filter);
    frm->EditMode = editMode;
    try {
        frm->LoadCourseDetails();
        frm->BuildScorecardGrid();
        frm->FillCoursepointList();
    } catch (...) {
        delete frm;
        throw;
    }
    if (Frame()) {
        QMdiSubWindow* sub = Frame()->AddMdiChild(frm);
        sub->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        sub->show();
        SizeMdiChild(sub, QSize(681, 468));
        const QRect area = Frame()->MdiArea()->viewport()->rect();
        sub->move(std::max(0, (area.width() - sub->width()) / 2),
                  std::max(0, (area.height() - sub->height()) / 2));
    }
    return frm;
}
