// The accounts list of the main window: a table model over the listed accounts, in the shown order.
//
// The model returns texts lazily (only the rows on screen are ever formatted) and keeps one sort key per
// account for the sort column, so a sort of a million rows compares prepared keys in one contiguous array
// instead of collating texts through model indexes. Rows are positions in the shown (sorted) order.
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class TKYVNAccount;

class TKYVNAccountsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct TShownColumn {
        QString Heading;
        bool Hidden = false; // a protected column: every row shows "[Hidden]"
        int Field = -1;      // the account field the heading names, -1 none
    };

    explicit TKYVNAccountsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Replaces columns and accounts (in file order) at once, shown sorted by the given column (-1: the
    // file order). The one sort happens here, before the view sees any row.
    void Reset(std::vector<TShownColumn> columns, std::vector<TKYVNAccount*> accounts, int sortColumn, bool ascending);
    // Sorts again; the selection and the current row follow their accounts.
    void Sort(int column, bool ascending);
    int Append(TKYVNAccount* account); // returns the row where the sort puts it
    void Remove(int row);
    int RowOf(const TKYVNAccount* account) const;
    TKYVNAccount* Account(int row) const;
    const std::vector<TShownColumn>& Columns() const { return columns_; }

    QString Text(int row, int column) const;
    int SortColumn() const { return sortColumn_; }
    bool Ascending() const { return ascending_; }

private:
    void appendKey(const TKYVNAccount* account);
    void computeKeys();
    void sortOrder();
    // -1, 0 or 1 as the account at file index a sorts before, with or after the one at b (ties: file order).
    int compare(quint32 a, quint32 b) const;

    std::vector<TShownColumn> columns_;
    std::vector<TKYVNAccount*> accounts_; // file order
    std::vector<quint32> order_;          // row -> index into accounts_
    int sortColumn_ = -1;
    bool ascending_ = true;
    bool dateKeys_ = false;
    // One key per account: the first eight bytes of its collation key (or the day of a date) for a quick
    // comparison, and the whole key in one contiguous pool for ties. Keys of removed accounts stay in the
    // pool until the next rebuild.
    std::vector<quint64> prefix_;
    std::vector<quint32> offset_;
    QByteArray pool_;
    struct TCollation;
    std::shared_ptr<TCollation> collation_;
};
