// The accounts list: columns from the layout, rows from the open file, sorting by the layout's sort state.
#include "frmMainList.h"

#include "QsExceptions.h"
#include "clsAccount.h"
#include "clsColumn.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "frmStartPage.h"

#include <QAction>
#include <QApplication>
#include <QCollator>
#include <QLocale>
#include <cstring>
#include <numeric>
#ifdef KEYVANE_HAVE_ICU
#include <unicode/ucol.h>
#endif
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
const QString kHidden = QStringLiteral("[Hidden]");

qint64 dayKey(const TKYVNAccount& account, int field) {
    return (field == kfCreated ? account.Created : account.Modified).toJulianDay();
}

// A step over many accounts (listing, sorting) shows the busy cursor, and the window is painted first,
// so that no dialog that just closed stays drawn on it while the step runs.
class TLongStep {
public:
    TLongStep(QWidget& window, size_t accounts) : busy_(accounts >= kMany) {
        if (!busy_)
            return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        window.repaint();
    }
    ~TLongStep() {
        if (busy_)
            QApplication::restoreOverrideCursor();
    }
    TLongStep(const TLongStep&) = delete;
    TLongStep& operator=(const TLongStep&) = delete;

private:
    static constexpr size_t kMany = 20000;
    bool busy_;
};
} // namespace

// ---------------------------------------------------------------------------------------------------
// model

// The user's collation with letter case significant, as sort-key bytes that compare with strcmp.
struct TKYVNAccountsModel::TCollation {
#ifdef KEYVANE_HAVE_ICU
    UCollator* Collator = nullptr;
    TCollation() {
        UErrorCode status = U_ZERO_ERROR;
        Collator = ucol_open(QLocale().bcp47Name().toUtf8().constData(), &status);
        if (U_FAILURE(status))
            Collator = nullptr;
    }
    ~TCollation() {
        if (Collator)
            ucol_close(Collator);
    }
    void Append(const QString& text, QByteArray& pool) const {
        const auto* chars = reinterpret_cast<const UChar*>(text.utf16());
        const qsizetype start = pool.size();
        int room = int(text.size()) * 4 + 16;
        for (;;) {
            pool.resize(start + room);
            const int need = Collator ? ucol_getSortKey(Collator, chars, int(text.size()),
                                                        reinterpret_cast<uint8_t*>(pool.data() + start), room)
                                      : 0;
            if (need <= room) {
                if (need == 0) { // no collator: the text's own bytes
                    const QByteArray utf8 = text.toUtf8();
                    pool.resize(start);
                    pool.append(utf8.constData(), utf8.size()).append('\0');
                } else {
                    pool.resize(start + need); // the key ends with its NUL
                }
                return;
            }
            room = need;
        }
    }
#else
    // Without ICU the keys are ranks: the rows are sorted once with the locale's collation.
    QCollator Collator;
    TCollation() {
        Collator.setCaseSensitivity(Qt::CaseSensitive);
    }
    // only reached for a single row, which computeKeys then ranks with the others
    void Append(const QString& text, QByteArray& pool) const {
        pool.append(text.toUtf8()).append('\0');
    }
#endif
};

TKYVNAccountsModel::TKYVNAccountsModel(QObject* parent) : QAbstractTableModel(parent) {}

int TKYVNAccountsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(order_.size());
}

int TKYVNAccountsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QString TKYVNAccountsModel::Text(int row, int column) const {
    if (row < 0 || row >= int(order_.size()) || column < 0 || column >= int(columns_.size()))
        return {};
    const TShownColumn& c = columns_[column];
    return c.Hidden ? kHidden : GetAccountField(*accounts_[order_[row]], c.Heading);
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

void TKYVNAccountsModel::Reset(std::vector<TShownColumn> columns, std::vector<TKYVNAccount*> accounts, int sortColumn,
                               bool ascending) {
    beginResetModel();
    columns_ = std::move(columns);
    accounts_ = std::move(accounts);
    sortColumn_ = sortColumn >= 0 && sortColumn < int(columns_.size()) ? sortColumn : -1;
    ascending_ = ascending;
    computeKeys();
    sortOrder();
    endResetModel();
}

void TKYVNAccountsModel::Sort(int column, bool ascending) {
    if (column < 0 || column >= int(columns_.size()))
        column = -1;
    const bool newKeys = column != sortColumn_;
    if (!newKeys && ascending == ascending_)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The selection and the current row are persistent indexes: they follow their accounts.
    const QModelIndexList before = persistentIndexList();
    std::vector<quint32> accountsBefore;
    accountsBefore.reserve(before.size());
    for (const QModelIndex& i : before)
        accountsBefore.push_back(order_[i.row()]);
    sortColumn_ = column;
    ascending_ = ascending;
    if (newKeys)
        computeKeys();
    sortOrder();
    if (!before.isEmpty()) {
        std::vector<int> rowOf(accounts_.size());
        for (size_t r = 0; r < order_.size(); ++r)
            rowOf[order_[r]] = int(r);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            after.push_back(index(rowOf[accountsBefore[i]], before[i].column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TKYVNAccountsModel::appendKey(const TKYVNAccount* account) {
    if (sortColumn_ < 0)
        return;
    offset_.push_back(quint32(pool_.size()));
    if (dateKeys_) {
        prefix_.push_back(quint64(dayKey(*account, columns_[sortColumn_].Field) + (qint64(1) << 40)));
        pool_.append('\0');
        return;
    }
    const TShownColumn& c = columns_[sortColumn_];
    collation_->Append(c.Hidden ? kHidden : GetAccountField(*account, c.Heading), pool_);
    quint64 prefix = 0;
    const char* key = pool_.constData() + offset_.back();
    for (int i = 0, end = false; i < 8; ++i) {
        const quint8 byte = end ? 0 : quint8(key[i]);
        end = end || byte == 0;
        prefix = (prefix << 8) | byte;
    }
    prefix_.push_back(prefix);
}

void TKYVNAccountsModel::computeKeys() {
    prefix_.clear();
    offset_.clear();
    pool_.clear();
    dateKeys_ = false;
    if (sortColumn_ < 0)
        return;
    if (!collation_) // made on first use: the locale is the one in force when the list is first sorted
        collation_ = std::make_shared<TCollation>();
    const TShownColumn& c = columns_[sortColumn_];
    // Dates sort by their value: the short date text would put 02/03/2004 before 15/01/2003.
    dateKeys_ = !c.Hidden && (c.Field == kfCreated || c.Field == kfModified);
    prefix_.reserve(accounts_.size());
    offset_.reserve(accounts_.size());
    pool_.reserve(qsizetype(accounts_.size()) * (dateKeys_ ? 1 : 24));
#ifdef KEYVANE_HAVE_ICU
    for (const TKYVNAccount* a : accounts_)
        appendKey(a);
#else
    if (dateKeys_) {
        for (const TKYVNAccount* a : accounts_)
            appendKey(a);
        return;
    }
    std::vector<QCollatorSortKey> keys;
    keys.reserve(accounts_.size());
    for (const TKYVNAccount* a : accounts_)
        keys.push_back(collation_->Collator.sortKey(c.Hidden ? kHidden : GetAccountField(*a, c.Heading)));
    std::vector<int> order(accounts_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a].compare(keys[b]) < 0; });
    prefix_.assign(accounts_.size(), 0);
    offset_.assign(accounts_.size(), 0);
    pool_.append('\0');
    quint64 rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[order[i - 1]].compare(keys[order[i]]) != 0)
            ++rank;
        prefix_[order[i]] = rank;
    }
#endif
}

int TKYVNAccountsModel::compare(quint32 a, quint32 b) const {
    if (sortColumn_ >= 0) {
        int c = prefix_[a] < prefix_[b] ? -1 : prefix_[a] > prefix_[b] ? 1 : 0;
        if (c == 0)
            c = std::strcmp(pool_.constData() + offset_[a], pool_.constData() + offset_[b]);
        if (c != 0)
            return (c < 0) == ascending_ ? -1 : 1;
    }
    return a < b ? -1 : a > b ? 1 : 0; // equal keys keep the file order, either way round
}

void TKYVNAccountsModel::sortOrder() {
    const quint32 n = quint32(accounts_.size());
    order_.resize(n);
    if (sortColumn_ < 0) {
        std::iota(order_.begin(), order_.end(), 0u);
        return;
    }
    // The first sixteen bytes of each key sit beside its index, so that most comparisons touch one array
    // only; the rest of the key is read from the pool for the few that tie on them.
    struct TItem {
        quint64 Prefix;
        quint64 Next;
        quint32 Index;
    };
    const char* pool = pool_.constData();
    const quint32* offset = offset_.data();
    auto nextBytes = [pool, offset](quint32 i, quint64 prefix) {
        if ((prefix & 0xff) == 0) // the key ended within its first eight bytes
            return quint64(0);
        quint64 next = 0;
        const char* key = pool + offset[i] + 8;
        for (int b = 0, end = false; b < 8; ++b) {
            const quint8 byte = end ? 0 : quint8(key[b]);
            end = end || byte == 0;
            next = (next << 8) | byte;
        }
        return next;
    };
#ifdef KEYVANE_HAVE_ICU
    const bool textKeys = !dateKeys_;
#else
    const bool textKeys = false; // ranks: the prefix is the whole key
#endif
    std::vector<TItem> items(n);
    for (quint32 i = 0; i < n; ++i) {
        const quint64 next = textKeys ? nextBytes(i, prefix_[i]) : 0;
        items[i] = ascending_ ? TItem{prefix_[i], next, i} : TItem{~prefix_[i], ~next, i};
    }
    const bool ascending = ascending_;
    std::sort(items.begin(), items.end(), [pool, offset, ascending](const TItem& a, const TItem& b) {
        if (a.Prefix != b.Prefix)
            return a.Prefix < b.Prefix;
        if (a.Next != b.Next)
            return a.Next < b.Next;
        if (((ascending ? a.Next : ~a.Next) & 0xff) != 0) { // both keys go on beyond sixteen bytes
            const int c = std::strcmp(pool + offset[a.Index] + 16, pool + offset[b.Index] + 16);
            if (c != 0)
                return (c < 0) == ascending;
        }
        return a.Index < b.Index;
    });
    for (quint32 i = 0; i < n; ++i)
        order_[i] = items[i].Index;
}

int TKYVNAccountsModel::Append(TKYVNAccount* account) {
    const quint32 added = quint32(accounts_.size());
    accounts_.push_back(account);
#ifdef KEYVANE_HAVE_ICU
    appendKey(account);
#else
    if (dateKeys_ || sortColumn_ < 0)
        appendKey(account);
    else
        computeKeys(); // ranks are relative: one more account renumbers them, but keeps their order
#endif
    const auto at = std::upper_bound(order_.begin(), order_.end(), added,
                                     [this](quint32 a, quint32 b) { return compare(a, b) < 0; });
    const int row = int(at - order_.begin());
    beginInsertRows(QModelIndex(), row, row);
    order_.insert(at, added);
    endInsertRows();
    return row;
}

void TKYVNAccountsModel::Remove(int row) {
    if (row < 0 || row >= int(order_.size()))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    const quint32 gone = order_[row];
    order_.erase(order_.begin() + row);
    for (quint32& i : order_)
        if (i > gone)
            --i;
    accounts_.erase(accounts_.begin() + gone);
    if (sortColumn_ >= 0) {
        prefix_.erase(prefix_.begin() + gone);
        offset_.erase(offset_.begin() + gone);
    }
    endRemoveRows();
}

int TKYVNAccountsModel::RowOf(const TKYVNAccount* account) const {
    for (size_t r = 0; r < order_.size(); ++r)
        if (accounts_[order_[r]] == account)
            return int(r);
    return -1;
}

TKYVNAccount* TKYVNAccountsModel::Account(int row) const {
    return row >= 0 && row < int(order_.size()) ? accounts_[order_[row]] : nullptr;
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

    lvAccounts = new QTreeView(this);
    lvAccounts->setObjectName(QStringLiteral("lvAccounts"));
    lvAccounts->setModel(lvModel);
    lvAccounts->setRootIsDecorated(false);
    lvAccounts->setItemsExpandable(false);
    lvAccounts->setUniformRowHeights(true);
    lvAccounts->setAllColumnsShowFocus(true);
    lvAccounts->setSelectionMode(QAbstractItemView::SingleSelection);
    lvAccounts->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvAccounts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvAccounts->setIconSize(QSize(16, 16));
    lvAccounts->setStatusTip(QStringLiteral("Account commands"));
    lvAccounts->setAccessibleName(QStringLiteral("Accounts"));
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

    // The empty list says what to do; its links run the commands of the menu.
    StartPage = new TKYVNStartPage(lvAccounts->viewport());
    auto* startLayout = new QVBoxLayout(lvAccounts->viewport());
    startLayout->setContentsMargins(0, 0, 0, 0);
    startLayout->addWidget(StartPage, 0, Qt::AlignLeft | Qt::AlignTop);
    connect(StartPage, &TKYVNStartPage::NewChosen, this, [this] { RunCommand(actFileNew); });
    connect(StartPage, &TKYVNStartPage::OpenChosen, this, [this] { RunCommand(actFileOpen); });
    connect(StartPage, &TKYVNStartPage::RecentChosen, this, [this](const QString& path) { RecentFileChosen(path); });
}

void TKYVNMain::ShowStartPage(bool show) {
    if (!StartPage)
        return;
    const bool listHadFocus = lvAccounts->hasFocus();
    StartPage->setVisible(show);
    // The keyboard goes where the work is: from the empty list to its first link, and back.
    if (show && listHadFocus)
        StartPage->lnkNew->setFocus();
    else if (!show && StartPage->isAncestorOf(QApplication::focusWidget()))
        lvAccounts->setFocus();
}

bool TKYVNMain::eventFilter(QObject* watched, QEvent* event) {
    // While no file is open the list has nothing to select: the keyboard lands on the links instead
    // (on the last one when it comes backwards).
    if (watched == lvAccounts && event->type() == QEvent::FocusIn && StartPage && !StartPage->isHidden()) {
        const auto links = StartPage->Links();
        const bool back = static_cast<QFocusEvent*>(event)->reason() == Qt::BacktabFocusReason;
        (back ? links.last() : links.first())->setFocus(static_cast<QFocusEvent*>(event)->reason());
    }
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
    for (int i = 0; ListLayout && i < ListLayout->ColumnCount(); ++i) {
        const TKYVNColumn* c = ListLayout->GetColumn(i);
        if (!c->Visible)
            continue;
        columns.push_back({c->Caption, c->Protected, KyvnFieldOfCaption(c->Caption)});
        widths.push_back(c->Width);
    }
    TLongStep step(*this, CurrentFile->Accounts.size());
    std::vector<TKYVNAccount*> rows(CurrentFile->Accounts.cbegin(), CurrentFile->Accounts.cend());
    const int sortColumn = ListLayout ? ListLayout->SortIndex : -1;
    lvModel->Reset(std::move(columns), std::move(rows), sortColumn, ListLayout ? ListLayout->SortAscending : true);
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
    {
        TLongStep step(*this, size_t(RowCount()));
        lvModel->Sort(column, ascending);
    }
    QHeaderView* header = lvAccounts->header();
    header->setSortIndicatorShown(column >= 0);
    if (column >= 0)
        header->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TKYVNMain::AddAccountItem(TKYVNAccount* account, bool select) {
    const int row = lvModel->Append(account); // where the sort wants it
    if (select)
        SelectRow(row);
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
    return lvModel ? lvModel->rowCount() : 0;
}

int TKYVNMain::SelectedRow() const {
    if (!lvAccounts || !lvAccounts->selectionModel())
        return -1;
    const QModelIndexList rows = lvAccounts->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

TKYVNAccount* TKYVNMain::AccountAt(int position) const {
    return lvModel->Account(position);
}

TKYVNAccount* TKYVNMain::SelectedAccount() const {
    return AccountAt(SelectedRow());
}

void TKYVNMain::SelectRow(int position) {
    const QModelIndex idx = lvModel->index(position, 0);
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
    return lvModel->Text(position, column);
}

void TKYVNMain::ClearAccountsList() {
    SaveColumnWidths();
    lvModel->Reset({}, {}, -1, true);
    lvAccounts->header()->hide();
}
