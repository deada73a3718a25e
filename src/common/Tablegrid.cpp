#include "common/Tablegrid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <algorithm>

#include "db/Table.h"
#include "platform/Messagebox.h"

TTableGridModel::TTableGridModel(TTable* table, std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), table_(table), columns_(std::move(columns)) {}

void TTableGridModel::Reopen() {
    Change([this] {
        table_->Close();
        table_->Open();
    });
}

void TTableGridModel::Change(const std::function<void()>& change) {
    beginResetModel();
    try {
        change();
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
}

namespace {
// The value a grid cell shows: null where the table lacks the column.
TVariant Shown(const TTable& table, int row, int field) {
    return field < 0 ? TVariant() : table.CellValue(row, field);
}
} // namespace

std::vector<int> TTableGridModel::ShownFields() const {
    std::vector<int> fields;
    for (const Column& c : columns_) fields.push_back(table_->FieldIndex(c.field));
    return fields;
}

bool TTableGridModel::ShowsRemembered() const {
    if (!remembered_) return false;
    const int rows = rowCount();
    if (remembered_->size() != size_t(rows) * columns_.size()) return false;
    const std::vector<int> fields = ShownFields();
    auto value = remembered_->begin();
    for (int r = 0; r < rows; ++r)
        for (int f : fields)
            if (!(Shown(*table_, r, f) == *value++)) return false;
    return true;
}

void TTableGridModel::Remember() {
    const int rows = rowCount();
    const std::vector<int> fields = ShownFields();
    std::vector<TVariant> values;
    values.reserve(size_t(rows) * fields.size());
    for (int r = 0; r < rows; ++r)
        for (int f : fields) values.push_back(Shown(*table_, r, f));
    remembered_ = std::move(values);
}

int TTableGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !table_->Active()) return 0;
    return table_->RecordCount();
}

int TTableGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TTableGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || !table_->Active()) return {};
    const int column = table_->FieldIndex(columns_.at(index.column()).field);
    if (column < 0 || index.row() >= table_->RecordCount()) return {};
    return QString::fromStdString(table_->CellValue(index.row(), column).AsString());
}

QVariant TTableGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount())
        return QString::fromStdString(columns_[section].title);
    return {};
}

void ReadAgain(TTable& table) {
    TDatabase* db = table.Database();
    // Inside a transaction the lock is held already.
    if (!table.Active() || !db || db->TransactionLevel() > 0) {
        table.Close();
        table.Open();
        return;
    }
    db->Execute("SAVEPOINT ReadAgain");
    try {
        db->Execute("SELECT 1 FROM sqlite_master LIMIT 1");
        table.Close();
        table.Open();
    } catch (...) {
        try {
            db->Execute("RELEASE ReadAgain");
        } catch (const EDatabaseError&) {
        }
        throw;
    }
    db->Execute("RELEASE ReadAgain");
}

namespace {
class TKeyboardMenu : public QObject {
public:
    TKeyboardMenu(QAbstractItemView* grid, QMenu* menu, std::function<bool()> when)
        : QObject(grid), grid_(grid), menu_(menu), when_(std::move(when)) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        const auto* key = e->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(e) : nullptr;
        const bool asked = (key && key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) ||
                           (e->type() == QEvent::ContextMenu &&
                            static_cast<QContextMenuEvent*>(e)->reason() == QContextMenuEvent::Keyboard);
        if (!asked) return false;
        if (when_ && !when_()) return true;
        grid_->scrollTo(grid_->currentIndex());
        const QRect row = grid_->visualRect(grid_->currentIndex());
        menu_->popup(grid_->viewport()->mapToGlobal(row.isValid() ? row.bottomLeft() : QPoint()));
        return true;
    }

private:
    QAbstractItemView* grid_;
    QMenu* menu_;
    std::function<bool()> when_;
};
} // namespace

void OpenMenuFromKeyboard(QAbstractItemView* grid, QMenu* menu, std::function<bool()> when) {
    grid->setTabKeyNavigation(false);
    grid->installEventFilter(new TKeyboardMenu(grid, menu, std::move(when)));
}

TListReread::TListReread(QAbstractItemView* grid, std::function<void()> reread)
    : QObject(grid), grid_(grid), reread_(std::move(reread)) {
    grid->viewport()->installEventFilter(this);
}

void TListReread::Run() {
    try {
        reread_();
        stale_ = false;
        return;
    } catch (const EDatabaseError&) {
        stale_ = true;
    }
    // The read failed after the rows went: once more at once, then say why.
    const auto* model = dynamic_cast<const TTableGridModel*>(grid_->model());
    if (!model || model->Table()->Active()) return;
    try {
        reread_();
        stale_ = false;
    } catch (const EDatabaseError& e) {
        // Once for one action: the re-reads that the rest of it brings (the
        // list's activation, the other list) fail silently.
        static bool told = false;
        if (told) return;
        ShowErrorMessage(e);
        told = true;
        QMetaObject::invokeMethod(qApp, [] { told = false; }, Qt::QueuedConnection);
    }
}

void TListReread::RunOnActivation(QMdiArea* area, QWidget* list, bool always) {
    connect(area, &QMdiArea::subWindowActivated, this, [this, list, always](QMdiSubWindow* w) {
        if ((always || stale_) && w && w->widget() == list) Run();
    });
}

bool TListReread::eventFilter(QObject* watched, QEvent* e) {
    if (stale_ && e->type() == QEvent::MouseButtonPress) Run();
    return QObject::eventFilter(watched, e);
}

std::vector<int> FitColumnsToContents(QTableView* grid) {
    std::vector<int> need;
    if (!grid->model()) return need;
    QHeaderView* header = grid->horizontalHeader();
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        grid->resizeColumnToContents(c);
        need.push_back(std::max(grid->columnWidth(c), header->sectionSizeHint(c)));
    }
    return need;
}

int GridChromeWidth(const QTableView* grid) {
    return 2 * grid->frameWidth() +
           grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid);
}

int FullRowHeight(const QFont& font) {
    const QFontMetrics fm(font);
    // The tallest capitals with marks above and the letters that reach down.
    const QRect ink = fm.tightBoundingRect(QString::fromUtf8("ÅÄÖÉÈÊÇÑÜgjpqy"));
    const int above = std::max(0, -ink.top() - fm.ascent());
    const int below = std::max(0, ink.bottom() + 1 - fm.descent());
    // The line is centred: what reaches beyond it on one side needs as much on the other.
    return fm.height() + 2 * std::max(above, below);
}

QSize TFullRowStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                      const QWidget* widget) const {
    QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_ItemViewItem)
        if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option))
            if (item->features & QStyleOptionViewItem::HasDisplay) {
                auto height = heights_.constFind(item->font);
                if (height == heights_.constEnd()) height = heights_.insert(item->font, FullRowHeight(item->font));
                s.setHeight(std::max(s.height(), *height));
            }
    return s;
}

void UseFullRowStyle() {
    if (!dynamic_cast<TFullRowStyle*>(QApplication::style())) QApplication::setStyle(new TFullRowStyle);
}
