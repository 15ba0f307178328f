// The accounts list: columns from the layout, rows from the open file, sorting by the layout's sort state.
#include "frmMainList.h"

#include "QsExceptions.h"
#include "clsAccount.h"
#include "clsColumn.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeView>

namespace {
const QString kHidden = QStringLiteral("[Hidden]");

qint64 dayKey(const TKYVNAccount& account, int field) {
    return (field == kfCreated ? account.Created : account.Modified).toJulianDay();
}
} // namespace

// ---------------------------------------------------------------------------------------------------
// model

TKYVNAccountsModel::TKYVNAccountsModel(QObject* parent) : QAbstractTableModel(parent) {
    // the user's collation with letter case significant
    collator_.setCaseSensitivity(Qt::CaseSensitive);
}

int TKYVNAccountsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TKYVNAccountsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QString TKYVNAccountsModel::Text(int row, int column) const {
    if (row < 0 || row >= int(rows_.size()) || column < 0 || column >= int(columns_.size()))
        return {};
    const TShownColumn& c = columns_[column];
    return c.Hidden ? kHidden : GetAccountField(*rows_[row], c.Heading);
}

QVariant TKYVNAccountsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return Text(index.row(), index.column());
    if (role == Qt::DecorationRole && index.column() == 0)
        return MenuPicture(12);
    return {};
}

QVariant TKYVNAccountsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < int(columns_.size()))
        return columns_[section].Heading;
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TKYVNAccountsModel::Reset(std::vector<TShownColumn> columns, std::vector<TKYVNAccount*> rows, int sortColumn) {
    beginResetModel();
    columns_ = std::move(columns);
    rows_ = std::move(rows);
    sortColumn_ = sortColumn >= 0 && sortColumn < int(columns_.size()) ? sortColumn : -1;
    computeKeys();
    endResetModel();
}

void TKYVNAccountsModel::appendKey(const TKYVNAccount* account) {
    if (sortColumn_ < 0)
        return;
    if (dateKeys_)
        dayKeys_.push_back(dayKey(*account, columns_[sortColumn_].Field));
    else
        textKeys_.push_back(collator_.sortKey(
            columns_[sortColumn_].Hidden ? kHidden : GetAccountField(*account, columns_[sortColumn_].Heading)));
}

void TKYVNAccountsModel::computeKeys() {
    textKeys_.clear();
    dayKeys_.clear();
    dateKeys_ = false;
    if (sortColumn_ < 0)
        return;
    const TShownColumn& c = columns_[sortColumn_];
    // Dates sort by their value: the short date text would put 02/03/2004 before 15/01/2003.
    dateKeys_ = !c.Hidden && (c.Field == kfCreated || c.Field == kfModified);
    if (dateKeys_)
        dayKeys_.reserve(rows_.size());
    else
        textKeys_.reserve(rows_.size());
    for (const TKYVNAccount* a : rows_)
        appendKey(a);
}

void TKYVNAccountsModel::SetSortColumn(int column) {
    if (column < 0 || column >= int(columns_.size()))
        column = -1;
    sortColumn_ = column;
    computeKeys();
}

bool TKYVNAccountsModel::Less(int rowA, int rowB) const {
    if (sortColumn_ < 0)
        return rowA < rowB;
    if (dateKeys_)
        return dayKeys_[rowA] < dayKeys_[rowB];
    return textKeys_[rowA].compare(textKeys_[rowB]) < 0;
}

int TKYVNAccountsModel::Append(TKYVNAccount* account) {
    const int row = int(rows_.size());
    beginInsertRows(QModelIndex(), row, row);
    rows_.push_back(account);
    appendKey(account);
    endInsertRows();
    return row;
}

void TKYVNAccountsModel::Remove(int row) {
    if (row < 0 || row >= int(rows_.size()))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    if (sortColumn_ >= 0) {
        if (dateKeys_)
            dayKeys_.erase(dayKeys_.begin() + row);
        else
            textKeys_.erase(textKeys_.begin() + row);
    }
    endRemoveRows();
}

int TKYVNAccountsModel::RowOf(const TKYVNAccount* account) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i] == account)
            return int(i);
    return -1;
}

TKYVNAccount* TKYVNAccountsModel::Account(int row) const {
    return row >= 0 && row < int(rows_.size()) ? rows_[row] : nullptr;
}

bool TKYVNAccountsSort::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    return static_cast<const TKYVNAccountsModel*>(sourceModel())->Less(left.row(), right.row());
}

// ---------------------------------------------------------------------------------------------------
// the list in the window

bool MainWhenRowSelected(const TKYVNMain& w, QAction*) {
    return w.FileOpen && w.SelectedAccount();
}
bool MainWhenPasswordSelected(const TKYVNMain& w, QAction*) {
    const TKYVNAccount* a = w.FileOpen ? w.SelectedAccount() : nullptr;
    return a && !a->Password.isEmpty();
}
bool MainWhenEmailSelected(const TKYVNMain& w, QAction*) {
    const TKYVNAccount* a = w.FileOpen ? w.SelectedAccount() : nullptr;
    return a && !a->Email.isEmpty();
}
bool MainWhenWebSelected(const TKYVNMain& w, QAction*) {
    const TKYVNAccount* a = w.FileOpen ? w.SelectedAccount() : nullptr;
    return a && !a->Web.isEmpty();
}
bool MainWhenRowsListed(const TKYVNMain& w, QAction*) {
    return w.FileOpen && w.RowCount() > 0;
}

void TKYVNMain::CreateAccountsList() {
    lvModel = new TKYVNAccountsModel(this);
    lvSorted = new TKYVNAccountsSort(this);
    lvSorted->setSourceModel(lvModel);
    lvSorted->setDynamicSortFilter(true);

    lvAccounts = new QTreeView(this);
    lvAccounts->setObjectName(QStringLiteral("lvAccounts"));
    lvAccounts->setModel(lvSorted);
    lvAccounts->setRootIsDecorated(false);
    lvAccounts->setItemsExpandable(false);
    lvAccounts->setUniformRowHeights(true);
    lvAccounts->setAllColumnsShowFocus(true);
    lvAccounts->setSelectionMode(QAbstractItemView::SingleSelection);
    lvAccounts->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvAccounts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvAccounts->setIconSize(QSize(16, 16));
    lvAccounts->setStatusTip(QStringLiteral("Account commands"));
    lvAccounts->setContextMenuPolicy(Qt::CustomContextMenu);
    // the selection stays visible when the list loses the keyboard focus
    QPalette pal = lvAccounts->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    lvAccounts->setPalette(pal);

    QHeaderView* header = lvAccounts->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setSortIndicatorShown(true);
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int section) { QsGuard([this, section] { lvAccountsColumnClick(section); }); });
    connect(lvAccounts, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        alMainUpdate();
        popAccounts->popup(lvAccounts->viewport()->mapToGlobal(pos));
    });
    connect(lvAccounts, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex&) { QsGuard([this] { lvAccountsDblClick(); }); });
    lvAccounts->installEventFilter(this);
    setCentralWidget(lvAccounts);
}

bool TKYVNMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvAccounts && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        QsGuard([this, key] { lvAccountsKeyUp(key); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void TKYVNMain::FillAccountsList() {
    if (OpenFilePath.isEmpty() || !CurrentFile)
        return;
    SaveColumnWidths();
    std::vector<TKYVNAccountsModel::TShownColumn> columns;
    std::vector<int> widths;
    for (int i = 0; i < ListLayout->ColumnCount(); ++i) {
        const TKYVNColumn* c = ListLayout->GetColumn(i);
        if (!c->Visible)
            continue;
        columns.push_back({c->Caption, c->Protected, KyvnFieldOfCaption(c->Caption)});
        widths.push_back(c->Width);
    }
    std::vector<TKYVNAccount*> rows(CurrentFile->Accounts.cbegin(), CurrentFile->Accounts.cend());
    lvModel->Reset(std::move(columns), std::move(rows), SortColumnShown());
    lvAccounts->header()->show();
    for (size_t i = 0; i < widths.size(); ++i)
        lvAccounts->header()->resizeSection(int(i), widths[i]);
    SortList();
    if (RowCount() > 0)
        SelectRow(0);
}

int TKYVNMain::SortColumnShown() const {
    // A stored position beyond the shown columns keeps the file order rather than failing.
    const int p = ListLayout ? ListLayout->SortIndex : -1;
    return (p >= 0 && p < lvModel->columnCount()) ? p : -1;
}

void TKYVNMain::SortList() {
    const bool ascending = ListLayout ? ListLayout->SortAscending : true;
    const int column = SortColumnShown();
    if (lvModel->SortColumn() != column)
        lvModel->SetSortColumn(column);
    lvSorted->setDynamicSortFilter(false); // sort() would skip a sort whose column and order it knows
    lvSorted->sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    lvSorted->setDynamicSortFilter(true);
    QHeaderView* header = lvAccounts->header();
    header->setSortIndicatorShown(column >= 0);
    if (column >= 0)
        header->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TKYVNMain::AddAccountItem(TKYVNAccount* account, bool select) {
    const int row = lvModel->Append(account); // the proxy puts the row where the sort wants it
    if (select) {
        const QModelIndex idx = lvSorted->mapFromSource(lvModel->index(row, 0));
        if (idx.isValid())
            SelectRow(idx.row());
    }
}

void TKYVNMain::RemoveAccountItem(TKYVNAccount* account) {
    lvModel->Remove(lvModel->RowOf(account));
}

void TKYVNMain::SaveColumnWidths() {
    if (!ListLayout || lvModel->columnCount() == 0)
        return;
    const auto& columns = lvModel->Columns();
    for (size_t i = 0; i < columns.size(); ++i)
        if (TKYVNColumn* c = ListLayout->FindColumn(columns[i].Heading))
            c->Width = lvAccounts->header()->sectionSize(int(i));
}

void TKYVNMain::lvAccountsColumnClick(int position) {
    if (!ListLayout)
        return;
    if (position == ListLayout->SortIndex) {
        ListLayout->SortAscending = !ListLayout->SortAscending;
    } else {
        ListLayout->SortIndex = position;
        ListLayout->SortAscending = true;
    }
    SortList();
}

int TKYVNMain::RowCount() const {
    return lvSorted ? lvSorted->rowCount() : 0;
}

int TKYVNMain::SelectedRow() const {
    if (!lvAccounts || !lvAccounts->selectionModel())
        return -1;
    const QModelIndexList rows = lvAccounts->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

TKYVNAccount* TKYVNMain::AccountAt(int position) const {
    if (position < 0 || position >= RowCount())
        return nullptr;
    return lvModel->Account(lvSorted->mapToSource(lvSorted->index(position, 0)).row());
}

TKYVNAccount* TKYVNMain::SelectedAccount() const {
    return AccountAt(SelectedRow());
}

void TKYVNMain::SelectRow(int position) {
    const QModelIndex idx = lvSorted->index(position, 0);
    if (!idx.isValid())
        return;
    lvAccounts->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lvAccounts->scrollTo(idx, QAbstractItemView::EnsureVisible);
}

int TKYVNMain::ShownColumnIndex(const QString& caption) const {
    const auto& columns = lvModel->Columns();
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].Heading == caption)
            return int(i);
    return -1;
}

QStringList TKYVNMain::ShownHeadings() const {
    QStringList headings;
    for (const auto& c : lvModel->Columns())
        headings << c.Heading;
    return headings;
}

QString TKYVNMain::CellText(int position, int column) const {
    if (position < 0 || position >= RowCount())
        return {};
    return lvModel->Text(lvSorted->mapToSource(lvSorted->index(position, 0)).row(), column);
}

void TKYVNMain::ClearAccountsList() {
    SaveColumnWidths();
    lvModel->Reset({}, {}, -1);
    lvAccounts->header()->hide();
}
