#include "players/Playereditor.h"

#include <QApplication>
#include <QComboBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "db/Jettext.h"
#include "db/Table.h"
#include "common/Memo.h"
#include "platform/Messagebox.h"
#include "players/Clubpictures.h"
#include "players/Clubstats.h"
#include "players/Editclub.h"
#include "players/Newbag.h"
#include "players/Newclub.h"
#include "platform/Qtext.h"
#include "platform/Textutil.h"
#include "common/Frame.h"
#include "common/Tablegrid.h"

namespace {
constexpr int ClubIndexRole = Qt::UserRole;  // a list item's club (its state index)

std::string Trimmed(const QString& s) { return s.trimmed().toStdString(); }

// The in-place editor of a bag name: at most 8 characters.
class TBagNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setObjectName("BagNameEditor");
            line->setMaxLength(8);
        }
        return editor;
    }
};
}  // namespace

// ---------------------------------------------------------------------------
// Tree and list with their drag and drop

const char* const TBagTree::HolderMime = "application/x-caddora-holder";
const char* const TClubList::ClubMime = "application/x-caddora-club";

TBagTree::TBagTree(TPlayerEditor* editor, QWidget* parent) : QTreeWidget(parent), editor_(editor) {
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
}

void TBagTree::startDrag(Qt::DropActions) {
    QTreeWidgetItem* item = currentItem();
    if (!item || !item->parent() || item->text(0).isEmpty()) return;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(HolderMime, QByteArray("1"));
    drag->setMimeData(mime);
    drag->setPixmap(item->icon(0).pixmap(16, 16));
    drag->exec(Qt::MoveAction);
}

// Only clubs of the club list are taken.
void TBagTree::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasFormat(TClubList::ClubMime)) e->acceptProposedAction();
    else e->ignore();
}

void TBagTree::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasFormat(TClubList::ClubMime)) e->acceptProposedAction();
    else e->ignore();
}

void TBagTree::dropEvent(QDropEvent* e) {
    if (DropAt(e->position().toPoint(), e->mimeData())) e->acceptProposedAction();
}

bool TBagTree::DropAt(QPoint pos, const QMimeData* mime) {
    if (!mime || !mime->hasFormat(TClubList::ClubMime)) return false;
    editor_->DropListClubOn(itemAt(pos));
    return true;
}

TClubList::TClubList(TPlayerEditor* editor, QWidget* parent) : QListWidget(parent), editor_(editor) {
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
}

void TClubList::startDrag(Qt::DropActions) {
    QListWidgetItem* item = currentItem();
    if (!item) return;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(ClubMime, QByteArray("1"));
    drag->setMimeData(mime);
    drag->setPixmap(item->icon().pixmap(16, 16));
    drag->exec(Qt::MoveAction);
}

void TClubList::dragEnterEvent(QDragEnterEvent* e) { e->acceptProposedAction(); }
void TClubList::dragMoveEvent(QDragMoveEvent* e) { e->acceptProposedAction(); }

// Anything but a club of the tree is ignored; the drop point does not matter.
void TClubList::dropEvent(QDropEvent* e) {
    e->acceptProposedAction();
    DropAt(e->mimeData());
}

void TClubList::DropAt(const QMimeData* mime) {
    if (mime && mime->hasFormat(TBagTree::HolderMime)) editor_->DropTreeClubOnList();
}

// ---------------------------------------------------------------------------
// Open editors

namespace {
// Editors built and not yet closed.
std::vector<const TPlayerEditor*>& OpenEditors() {
    static std::vector<const TPlayerEditor*> editors;
    return editors;
}
void Forget(const TPlayerEditor* editor) { std::erase(OpenEditors(), editor); }
}  // namespace

bool PlayerEditorOpen() { return !OpenEditors().empty(); }

void EnablePlayerCommands() {
    if (!Frame()) return;
    const bool enabled = !PlayerEditorOpen();
    Frame()->Player1->setEnabled(enabled);
    Frame()->PlayerTB->setEnabled(enabled);
}

// ---------------------------------------------------------------------------
// Building

TPlayerEditor::TPlayerEditor(QWidget* window, bool firstRun)
    : QWidget(window), window_(window), firstRun_(firstRun) {
    setObjectName("PlayerEditor");
    OpenEditors().push_back(this);
    static TDatabase none;
    record_ = std::make_unique<TPlayerRecord>(Frame() ? Frame()->Database : none,
                                              TEditorLists::OfMainForm(), firstRun);
    bagImages_ = BagImageList();
    clubImages_ = ClubImagesList();

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    auto* details = new QWidget;
    details->setObjectName("DetailsSheet");
    auto* bags = new QWidget;
    bags->setObjectName("BagsSheet");
    PageControl1->addTab(details, "Details");
    PageControl1->addTab(bags, "Bags && Clubs");
    BuildDetails(details);
    BuildBags(bags);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    HelpBtn = new QPushButton("Help", this);
    HelpBtn->setObjectName("HelpBtn");
    connect(HelpBtn, &QPushButton::clicked, this, [] {
        if (Frame()) Frame()->ShowHelp(3);
    });
    for (QPushButton* b : {OKBtn, CancelBtn, HelpBtn}) b->setAutoDefault(false);
    if (firstRun_) {
        OKBtn->setEnabled(false);
        CancelBtn->setEnabled(false);
    } else {
        OKBtn->setDefault(true);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
}

TPlayerEditor::~TPlayerEditor() { Forget(this); }

void TPlayerEditor::BuildDetails(QWidget* page) {
    // Tight rows: the player window's fixed size holds every row at its full height.
    auto* form = new QFormLayout(page);
    form->setContentsMargins(9, 6, 9, 6);
    form->setVerticalSpacing(3);
    GenderGroup = new QGroupBox("Gender", page);
    GenderGroup->setObjectName("GenderGroup");
    GenderMale = new QRadioButton("Male", GenderGroup);
    GenderMale->setObjectName("GenderMale");
    GenderFemale = new QRadioButton("Female", GenderGroup);
    GenderFemale->setObjectName("GenderFemale");
    auto* genderRow = new QHBoxLayout(GenderGroup);
    genderRow->setContentsMargins(9, 2, 9, 2);
    genderRow->addWidget(GenderMale);
    genderRow->addWidget(GenderFemale);
    GenderMale->setChecked(true);
    form->addRow(GenderGroup);
    auto edit = [&](QLineEdit** out, const char* name, const char* caption) {
        *out = new QLineEdit(page);
        (*out)->setObjectName(name);
        form->addRow(caption, *out);
        connect(*out, &QLineEdit::textEdited, this, [this] { SetModified(); });
    };
    edit(&FirstNameEdit, "FirstNameEdit", "First name *");
    edit(&LastNameEdit, "LastNameEdit", "Last name *");
    edit(&AddressEdit, "AddressEdit", "Address");
    edit(&ZipEdit, "ZipEdit", "Zip / Post code");
    edit(&CityEdit, "CityEdit", "City");
    CountryComboBox = new QComboBox(page);
    CountryComboBox->setObjectName("CountryComboBox");
    form->addRow("Country *", CountryComboBox);
    StateComboBox = new QComboBox(page);
    StateComboBox->setObjectName("StateComboBox");
    form->addRow("State", StateComboBox);
    edit(&HandicapEdit, "HandicapEdit", "Handicap *");
    edit(&HomeClubEdit, "HomeClubEdit", "Home Club");
    edit(&HomeClubURL, "HomeClubURL", "Home club URL");
    DescriptionMemo = new QPlainTextEdit(page);
    DescriptionMemo->setObjectName("DescriptionMemo");
    DescriptionMemo->setTabChangesFocus(true);
    form->addRow("Description", DescriptionMemo);
    RequiredNote = new QLabel("All fields with * are required", page);
    RequiredNote->setObjectName("RequiredNote");
    form->addRow(RequiredNote);
    RequiredNote->setVisible(!firstRun_);
    connect(DescriptionMemo, &QPlainTextEdit::textChanged, this, [this] {
        if (!loading_) SetModified();
    });
    connect(CountryComboBox, &QComboBox::activated, this, [this] {
        // A state table that does not read is told as a failed load; the
        // state list stays empty.
        try {
            LoadStates();
        } catch (const std::exception& e) {
            StateComboBox->clear();
            StateComboBox->setEnabled(false);
            ShowErrorMessage(e);
        }
        SetModified();
    });
    connect(StateComboBox, &QComboBox::activated, this, [this] { SetModified(); });
    connect(GenderMale, &QRadioButton::clicked, this, [this] { SetModified(); });
    connect(GenderFemale, &QRadioButton::clicked, this, [this] { SetModified(); });
}

void TPlayerEditor::BuildBags(QWidget* page) {
    auto tool = [page](const char* name, const QString& hint, QIcon icon) {
        auto* b = new QToolButton(page);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setIcon(icon);
        b->setFocusPolicy(Qt::TabFocus);  // a click leaves the focus where it is
        b->setEnabled(false);
        return b;
    };
    const QIcon bagIcon(ClubPicture(TClubPicture::Bag, 16));
    const QIcon clubIcon(ClubPicture(TClubPicture::Wood, 16));
    NewBagButton = tool("NewBagButton", "New Bag", bagIcon);
    DeleteBagButton = tool("DeleteBagButton", "Delete bag", bagIcon);
    EditBagButton = tool("EditBagButton", "Edit bag", bagIcon);
    StatisticsButton = tool("StatisticsButton", "Show bag statistics", bagIcon);
    NewClubButton = tool("NewClubButton", "New club", clubIcon);
    DeleteClubButton = tool("DeleteClubButton", "Delete club", clubIcon);
    EditClubButton = tool("EditClubButton", "Edit club", clubIcon);
    ClubStatisticsButton = tool("ClubStatisticsButton", "Show club statistics", clubIcon);
    NewBagButton->setEnabled(true);
    NewClubButton->setEnabled(true);
    // Short words beside the pictures tell the buttons apart.
    const std::pair<QToolButton*, const char*> words[] = {
        {NewBagButton, "New"},   {DeleteBagButton, "Delete"},   {EditBagButton, "Rename"},
        {StatisticsButton, "Stats"}, {NewClubButton, "New"},     {DeleteClubButton, "Delete"},
        {EditClubButton, "Edit"}, {ClubStatisticsButton, "Stats"}};
    for (const auto& [button, word] : words) {
        button->setText(word);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->installEventFilter(this);  // Enter
    }

    TreeView1 = new TBagTree(this, page);
    TreeView1->setObjectName("TreeView1");
    TreeView1->setAccessibleName("Bags");
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* delegate = new TBagNameDelegate(TreeView1);
    TreeView1->setItemDelegate(delegate);
    // However the in-place edit ends, OK is the default button again.
    connect(delegate, &QAbstractItemDelegate::closeEditor, this, [this] {
        renameAllowed_ = false;
        OKBtn->setDefault(!firstRun_);
        // Back in the tree, the renamed bag is still the selected one.
        if (TreeView1->hasFocus()) TreeSelectionButtons();
        else SetBagButtons(false);
    });
    ListView1 = new TClubList(this, page);
    ListView1->setObjectName("ListView1");
    ListView1->setAccessibleName("Clubs");
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto side = [page](const char* caption, QWidget* view, std::initializer_list<QToolButton*> tools) {
        auto* box = new QVBoxLayout;
        auto* title = new QLabel(caption, page);
        title->setFrameShape(QFrame::Panel);
        box->addWidget(title);
        box->addWidget(view);
        auto* row = new QHBoxLayout;
        for (QToolButton* t : tools) row->addWidget(t);
        row->addStretch();
        box->addLayout(row);
        return box;
    };
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(side(" Bags", TreeView1, {NewBagButton, DeleteBagButton, EditBagButton, StatisticsButton}));
    layout->addLayout(
        side(" Clubs", ListView1, {NewClubButton, DeleteClubButton, EditClubButton, ClubStatisticsButton}));

    // Menus; their item names differ between the two windows.
    TreePopUpMenu = new QMenu(this);
    TreePopUpMenu->setObjectName("TreePopUpMenu");
    DeleteBagItem = TreePopUpMenu->addAction("Delete");
    DeleteBagItem->setObjectName("Delete1");
    RenameBagItem = TreePopUpMenu->addAction("Rename");
    RenameBagItem->setObjectName(firstRun_ ? "Rename1" : "Edit1");
    BagStatisticsItem = TreePopUpMenu->addAction("Statistics");
    BagStatisticsItem->setObjectName(firstRun_ ? "Statistics1" : "Statistics2");
    ListPopupMenu = new QMenu(this);
    ListPopupMenu->setObjectName("ListPopupMenu");
    DeleteClubItem = ListPopupMenu->addAction("Delete");
    DeleteClubItem->setObjectName("Delete2");
    EditClubItem = ListPopupMenu->addAction("Edit");
    EditClubItem->setObjectName("Edit2");
    ClubStatisticsItem = ListPopupMenu->addAction("Statistics");
    ClubStatisticsItem->setObjectName(firstRun_ ? "Statistics2" : "Statistics1");

    // From the keyboard: Tab in the order things stand, and the menus by the
    // Menu key or Shift+F10 on the current bag or club, as the right button opens them.
    SetTabChain({TreeView1, NewBagButton, DeleteBagButton, EditBagButton, StatisticsButton, ListView1,
                 NewClubButton, DeleteClubButton, EditClubButton, ClubStatisticsButton});
    OpenMenuFromKeyboard(TreeView1, TreePopUpMenu, [this] {
        QTreeWidgetItem* item = TreeView1->currentItem();
        return item && !item->parent() && !TreeView1->Editing();
    });
    OpenMenuFromKeyboard(ListView1, ListPopupMenu, [this] { return firstRun_ || ListView1->currentItem(); });

    connect(NewBagButton, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(NewClubButton, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(DeleteBagButton, &QToolButton::clicked, DeleteBagItem, &QAction::trigger);
    connect(EditBagButton, &QToolButton::clicked, RenameBagItem, &QAction::trigger);
    connect(StatisticsButton, &QToolButton::clicked, BagStatisticsItem, &QAction::trigger);
    connect(DeleteClubButton, &QToolButton::clicked, DeleteClubItem, &QAction::trigger);
    connect(EditClubButton, &QToolButton::clicked, EditClubItem, &QAction::trigger);
    connect(ClubStatisticsButton, &QToolButton::clicked, ClubStatisticsItem, &QAction::trigger);
    connect(DeleteBagItem, &QAction::triggered, this, [this] { Delete1Click(); });
    connect(RenameBagItem, &QAction::triggered, this, [this] { RenameBagClick(); });
    connect(BagStatisticsItem, &QAction::triggered, this, [this] { BagStatisticsView(); });
    connect(DeleteClubItem, &QAction::triggered, this, [this] { Delete2Click(); });
    connect(EditClubItem, &QAction::triggered, this, [this] { Edit2Click(); });
    connect(ClubStatisticsItem, &QAction::triggered, this, [this] { ClubStatisticsView(); });

    connect(TreeView1, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { TreeItemChanged(item); });
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this] {
        if (!loading_ && !syncing_) SetModified();
    });
    connect(ListView1, &QListWidget::currentItemChanged, this, [this] {
        if (!loading_ && !syncing_) SetModified();
    });
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { TreeSelectionButtons(); });
    connect(ListView1, &QListWidget::itemClicked, this, [this] { ListSelectionButtons(); });
    for (QObject* o : {static_cast<QObject*>(TreeView1), static_cast<QObject*>(TreeView1->viewport()),
                       static_cast<QObject*>(ListView1), static_cast<QObject*>(ListView1->viewport())})
        o->installEventFilter(this);
}

// ---------------------------------------------------------------------------
// Loading

void TPlayerEditor::LoadCountries() {
    if (!Frame()) return;
    TTable country(&Frame()->Database, "Country");
    country.Open();
    QStringList names;
    for (country.First(); !country.Eof(); country.Next()) names << Q(country.FieldByName("Country").AsString());
    for (QString& n : names) n = n.trimmed();
    SortNames(names);
    CountryComboBox->clear();
    CountryComboBox->addItems(names);
    CountryComboBox->setCurrentIndex(-1);
}

void TPlayerEditor::LoadStates() {
    if (!Frame()) return;
    if (CountryComboBox->currentIndex() < 0) {
        StateComboBox->setEnabled(false);
        return;
    }
    TDatabase& db = Frame()->Database;
    TTable country(&db, "Country");
    country.Open();
    const std::string id =
        Q(country.Lookup("Country", {TVariant(Trimmed(CountryComboBox->currentText()))}, "CountryId").AsString())
            .trimmed()
            .toStdString();
    country.Close();
    TTable states(&db, "States");
    states.SetFilter("CountryId = " + QuotedStr(id));
    StateComboBox->clear();
    states.Open();
    QStringList names;
    for (states.First(); !states.Eof(); states.Next()) names << Q(states.FieldByName("StateName").AsString());
    SortNames(names);
    StateComboBox->addItems(names);
    StateComboBox->setEnabled(StateComboBox->count() > 0);
    StateComboBox->setCurrentIndex(-1);
}

void TPlayerEditor::LoadDetails(int userId) {
    if (!Frame()) return;
    loading_ = true;
    TDatabase& db = Frame()->Database;
    TTable player(&db, "PlayerDetail");
    player.SetFilter("UserId=" + std::to_string(userId));
    player.Open();
    const bool found = !player.IsEmpty();
    if (found) player.First();
    auto text = [&](const char* column) { return found ? Q(player.FieldByName(column).AsString()) : QString(); };
    FirstNameEdit->setText(text("FirstName"));
    LastNameEdit->setText(text("LastName"));
    HomeClubURL->setText(text("LinkURL"));
    AddressEdit->setText(text("StreetAddress"));
    ZipEdit->setText(text("ZipCode"));
    CityEdit->setText(text("City"));
    (found && player.FieldByName("Sex").AsBoolean() ? GenderMale : GenderFemale)->setChecked(true);
    CountryComboBox->setCurrentIndex(-1);
    const QString countryId = text("Country").trimmed();
    std::string countryName;
    if (!countryId.isEmpty()) {
        TTable country(&db, "Country");
        country.SetFilter("CountryId=" + QuotedStr(countryId.toStdString()));
        country.Open();
        if (!country.IsEmpty()) {
            country.First();
            countryName = Trimmed(Q(country.FieldByName("Country").AsString()));
        }
    }
    CountryComboBox->setCurrentIndex(countryName.empty() ? -1 : CountryComboBox->findText(Q(countryName)));
    LoadStates();
    if (StateComboBox->isEnabled()) {
        const QString stateId = text("State").trimmed();
        TTable states(&db, "States");
        states.SetFilter("StateId=" + QuotedStr(stateId.toStdString()) +
                         " and CountryId=" + QuotedStr(countryId.toStdString()));
        states.Open();
        if (!states.IsEmpty()) {
            states.First();
            StateComboBox->setCurrentIndex(StateComboBox->findText(Q(states.FieldByName("StateName").AsString())));
        }
    }
    HandicapEdit->setText(Q(DecimalText(found ? player.FieldByName("HCP").AsFloat() : 0.0, 'g', -1)));
    SetMemoText(DescriptionMemo, text("UserDesc"));
    HomeClubEdit->setText(text("GolfClub"));
    loading_ = false;
}

void TPlayerEditor::LoadBagsAndClubs(int userId) {
    loading_ = true;
    TreeView1->clear();
    ListView1->clear();
    record_->Load(userId);
    for (int n = 0; n < static_cast<int>(record_->Tree.size()); ++n) AddBagItem(n);
    SyncList();
    TreeView1->collapseAll();
    loading_ = false;
    record_->Modified = false;
    if (record_->LoadWarning) Refuse(*record_->LoadWarning);
}

TPlayerDetails TPlayerEditor::ReadDetails() const {
    TPlayerDetails d;
    d.FirstName = FirstNameEdit->text().toStdString();
    d.LastName = LastNameEdit->text().toStdString();
    d.Address = AddressEdit->text().toStdString();
    d.Zip = ZipEdit->text().toStdString();
    d.City = CityEdit->text().toStdString();
    if (CountryComboBox->currentIndex() >= 0) d.Country = CountryComboBox->currentText().toStdString();
    if (StateComboBox->currentIndex() >= 0) d.State = StateComboBox->currentText().toStdString();
    d.Handicap = HandicapEdit->text().toStdString();
    d.HomeClub = HomeClubEdit->text().toStdString();
    d.HomeClubURL = HomeClubURL->text().toStdString();
    d.Description = DescriptionMemo->toPlainText().toStdString();
    d.Male = GenderMale->isChecked();
    return d;
}

// ---------------------------------------------------------------------------
// Tree and list from the record

QTreeWidgetItem* TPlayerEditor::BagItem(int node) const { return TreeView1->topLevelItem(node); }

int TPlayerEditor::ControlBags() {
    int failed = -1;
    const int result = record_->ControlBags(&failed);
    const int passed = result ? failed : static_cast<int>(record_->Tree.size());
    for (int n = 0; n < passed; ++n)
        if (QTreeWidgetItem* item = BagItem(n)) item->setExpanded(false);
    return result;
}

void TPlayerEditor::AddBagItem(int node) {
    syncing_ = true;
    auto* item = new QTreeWidgetItem(TreeView1);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    for (int h = 0; h < HoldersPerBag; ++h) {
        auto* holder = new QTreeWidgetItem(item);
        holder->setFlags(holder->flags() & ~Qt::ItemIsEditable);
    }
    syncing_ = false;
    SyncBag(node);
}

void TPlayerEditor::SyncBag(int node) {
    QTreeWidgetItem* item = BagItem(node);
    if (!item || node >= static_cast<int>(record_->Tree.size())) return;
    syncing_ = true;
    const TBagNode& bag = record_->Tree[node];
    MBag* object = record_->BagOf(node);
    object->Node = item;
    item->setText(0, Q(object->BagName));
    // The first-run dialog shows its loaded bag as full whatever it holds.
    const bool empty = bag.ClubCount() == 0 && !(firstRun_ && loading_);
    item->setIcon(0, bagImages_.at(empty ? EmptyBagImage : BagImage));
    item->setData(0, Qt::UserRole + 1, empty ? EmptyBagImage : BagImage);
    for (int h = 0; h < HoldersPerBag; ++h) {
        QTreeWidgetItem* holder = item->child(h);
        const MRec& rec = bag.Holders[h];
        const int image = rec.Occupied() ? HolderImage(rec.Type) : -1;
        holder->setText(0, Q(rec.Name));
        holder->setIcon(0, image < 0 ? QIcon() : bagImages_.at(image));
        holder->setData(0, Qt::UserRole + 1, image);
    }
    syncing_ = false;
}

void TPlayerEditor::SyncList() {
    syncing_ = true;
    const int current = FocusedClubIndex();
    ListView1->clear();
    for (int index : record_->List) {
        MClub* club = record_->Club(index);
        if (!club) continue;
        auto* item = new QListWidgetItem(clubImages_.at(ListImage(club->Type)), Q(club->ClubName), ListView1);
        item->setData(ClubIndexRole, index);
        item->setData(Qt::UserRole + 1, ListImage(club->Type));
        club->ListItem = item;
        if (index == current) ListView1->setCurrentItem(item);
    }
    syncing_ = false;
}

bool TPlayerEditor::ItemPosition(QTreeWidgetItem* item, int* node, int* holder) const {
    if (!item) return false;
    if (!item->parent()) {
        *node = TreeView1->indexOfTopLevelItem(item);
        *holder = -1;
    } else {
        *node = TreeView1->indexOfTopLevelItem(item->parent());
        *holder = item->parent()->indexOfChild(item);
    }
    return *node >= 0 && *node < static_cast<int>(record_->Tree.size());
}

int TPlayerEditor::FocusedClubIndex() const {
    QListWidgetItem* item = ListView1->currentItem();
    return item ? item->data(ClubIndexRole).toInt() : -1;
}

// ---------------------------------------------------------------------------
// Commands

void TPlayerEditor::SetModified() {
    record_->Modified = true;
    OKBtn->setEnabled(true);
}

void TPlayerEditor::Refuse(const TMessage& m) { MessageBox(m.Text, m.Caption, MB_OK); }

QPoint TPlayerEditor::DialogPosition(QWidget* button) const {
    return button->mapToGlobal(QPoint(0, 0));
}

void TPlayerEditor::SpeedButton1Click() {
    if (TRefusal r = record_->CanAddBag()) return Refuse(*r);
    if (!NewBagFrm || !Frame()) return;
    PlaceWindowAt(NewBagFrm, DialogPosition(NewBagButton));
    if (NewBagFrm->exec() != 1) return;
    if (TRefusal r = record_->AddNewBag()) return Refuse(*r);
    AddBagItem(static_cast<int>(record_->Tree.size()) - 1);
    SetModified();
}

void TPlayerEditor::SpeedButton2Click() {
    if (TRefusal r = record_->CanAddClub()) return Refuse(*r);
    if (!NewClubFrm) return;
    PlaceWindowAt(NewClubFrm, DialogPosition(NewClubButton));
    if (NewClubFrm->exec() != 1) return;
    record_->AddNewClub();
    SyncList();
    SetModified();
}

void TPlayerEditor::Delete1Click() {
    int node, holder;
    if (!ItemPosition(TreeView1->currentItem(), &node, &holder) || holder >= 0) return;
    if (TRefusal r = record_->CheckDeleteBag(node)) return Refuse(*r);
    if (MessageBox("Delete Bag?", "Confirm", MB_YESNO, MB_ICONQUESTION) != IDYES) return;
    record_->DeleteBag(node);
    syncing_ = true;
    delete TreeView1->takeTopLevelItem(node);
    syncing_ = false;
    OKBtn->setEnabled(true);
    SetBagButtons(false);
}

void TPlayerEditor::RenameBagClick() {
    int node, holder;
    if (TreeReadOnly || !ItemPosition(TreeView1->currentItem(), &node, &holder) || holder >= 0) return;
    renameAllowed_ = true;
    QTreeWidgetItem* item = TreeView1->currentItem();
    renameOld_ = item->text(0);
    OKBtn->setDefault(false);
    TreeView1->editItem(item, 0);
}

// The end of an in-place rename: the new-bag rules apply.
void TPlayerEditor::TreeItemChanged(QTreeWidgetItem* item) {
    if (syncing_ || loading_ || !renameAllowed_) return;
    int node, holder;
    if (!ItemPosition(item, &node, &holder) || holder >= 0) return;
    renameAllowed_ = false;
    TRefusal r = record_->RenameBag(node, item->text(0).toStdString());
    SyncBag(node);
    OKBtn->setEnabled(true);
    OKBtn->setDefault(!firstRun_);
    if (r) Refuse(*r);
}

void TPlayerEditor::Edit2Click() {
    const int index = FocusedClubIndex();
    MClub* club = record_->Club(index);
    if (!club || !EditClubForm) return;
    EditClubForm->clubEdit->setText(Q(club->ClubName));
    EditClubForm->SetClubType(club->Type);
    EditClubForm->ClubDetailTable.SetFilter("ClubId=" + std::to_string(club->ClubId));
    EditClubForm->Types.SetEnabled(true);
    if (EditClubForm->exec() != 1) return;
    record_->EditClub(index, EditClubForm->clubEdit->text().toStdString(), EditClubForm->Types.CheckedType());
    SyncList();
    OKBtn->setEnabled(true);
}

void TPlayerEditor::Delete2Click() {
    const int index = FocusedClubIndex();
    if (!record_->Club(index)) return;
    if (TRefusal r = record_->CheckDeleteClub(index)) return Refuse(*r);
    if (MessageBox("Delete Club?", "Confirm", MB_YESNO, MB_ICONQUESTION) != IDYES) return;
    record_->DeleteClub(index);
    SyncList();
    SetClubButtons(false);
    OKBtn->setEnabled(true);
}

void TPlayerEditor::ClubStatisticsView() {
    const MClub* club = record_->Club(FocusedClubIndex());
    if (!club || !ClubStatsForm) return;
    ClubStatsForm->ShowClubView(club, !firstRun_);
}

void TPlayerEditor::BagStatisticsView() {
    int node, holder;
    if (!ClubStatsForm || !ItemPosition(TreeView1->currentItem(), &node, &holder) || holder >= 0) return;
    std::vector<const MClub*> clubs;
    for (const MRec& rec : record_->Tree[node].Holders)
        clubs.push_back(rec.Occupied() ? record_->Club(rec.Index) : nullptr);
    ClubStatsForm->ShowBagView(clubs, !firstRun_, firstRun_);
}

void TPlayerEditor::DropListClubOn(QTreeWidgetItem* target) {
    if (firstRun_) TreeReadOnly = true;
    if (!target) return;
    const int index = FocusedClubIndex();
    if (!record_->Club(index)) return;
    int node, holder;
    if (!ItemPosition(target, &node, &holder))
        return Refuse({"You must first create a bag", "Bag Missing"});
    TRefusal r = holder < 0 ? record_->DropOnBag(index, node) : record_->DropOnHolder(index, node, holder);
    if (r) return Refuse(*r);
    if (!firstRun_) SetClubButtons(false);
    SyncBag(node);
    SyncList();
    OKBtn->setEnabled(true);
}

void TPlayerEditor::DropTreeClubOnList() {
    int node, holder;
    if (!ItemPosition(TreeView1->currentItem(), &node, &holder) || holder < 0) return;
    if (!record_->TakeOut(node, holder)) return;
    SyncBag(node);
    SyncList();
    OKBtn->setEnabled(true);
}

// ---------------------------------------------------------------------------
// Buttons, keys and menus

void TPlayerEditor::SetBagButtons(bool enabled) {
    DeleteBagButton->setEnabled(enabled);
    EditBagButton->setEnabled(enabled);
    StatisticsButton->setEnabled(enabled && !firstRun_);
}

void TPlayerEditor::SetClubButtons(bool enabled) {
    DeleteClubButton->setEnabled(enabled);
    EditClubButton->setEnabled(enabled);
    ClubStatisticsButton->setEnabled(enabled && !firstRun_);
}

void TPlayerEditor::TreeSelectionButtons() {
    QTreeWidgetItem* item = TreeView1->currentItem();
    SetBagButtons(item && !item->parent());
}

void TPlayerEditor::ListSelectionButtons() { SetClubButtons(ListView1->currentItem() != nullptr); }

bool TPlayerEditor::eventFilter(QObject* watched, QEvent* e) {
    // A focused button takes Enter itself, as Space.
    if (auto* button = qobject_cast<QToolButton*>(watched); button && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        button->click();
        return true;
    }
    const bool tree = watched == TreeView1 || watched == TreeView1->viewport();
    const bool list = watched == ListView1 || watched == ListView1->viewport();
    if (!tree && !list) return QWidget::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::KeyPress: {
        if (static_cast<QKeyEvent*>(e)->key() != Qt::Key_Delete) break;
        if (tree && !TreeView1->Editing()) {
            QTreeWidgetItem* item = TreeView1->currentItem();
            if (item && !item->parent()) {
                Delete1Click();
                return true;
            }
        } else if (list && ListView1->currentItem()) {
            Delete2Click();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        if (!tree) break;
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down)
            TreeSelectionButtons();
        else if (key == Qt::Key_Tab)
            SetBagButtons(true);
        break;
    }
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) break;
        // A click on one of the buttons (they take the focus by Tab only) hands
        // the focus to the window's frame: that is no leaving for another control.
        if (QWidget* now = QApplication::focusWidget(); now && now->isAncestorOf(static_cast<QWidget*>(watched)))
            break;
        // Nor is the in-place editor of a bag's name, which lives in the tree.
        if (QWidget* now = QApplication::focusWidget(); now && watched == TreeView1 && TreeView1->isAncestorOf(now))
            break;
        if (watched == TreeView1) SetBagButtons(false);
        if (watched == ListView1) SetClubButtons(false);
        break;
    }
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() != Qt::RightButton) break;
        if (tree) {
            QTreeWidgetItem* item = TreeView1->currentItem();
            if (item && !item->parent()) TreePopUpMenu->popup(me->globalPosition().toPoint());
        } else if (firstRun_ || ListView1->currentItem()) {
            ListPopupMenu->popup(me->globalPosition().toPoint());
        }
        return true;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, e);
}

void TPlayerEditor::FreeObjects() {
    syncing_ = true;
    TreeView1->clear();
    ListView1->clear();
    syncing_ = false;
    Forget(this);
    // Runs while the window closes or goes: a failed delete is told, never
    // thrown, and its rows (UserId -1) go at a later start.
    try {
        record_->Close();
        TPlayerRecord::DeleteUnsavedBags(record_->Database());
    } catch (const std::exception& e) {
        ShowErrorMessage(e);
    } catch (...) {
        MessageBox("Unknown error", "Error", MB_OK, MB_ICONERROR);
    }
}
