// The accounts list of the main window: a table model over the listed accounts and its sort proxy.
//
// The model returns texts lazily (only the rows on screen are ever formatted) and keeps one sort key per
// row for the sort column, so a sort of 100,000 rows compares prepared keys instead of collating texts.
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QSortFilterProxyModel>
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

    // Replaces columns and rows at once, with the keys of the given sort column.
    void Reset(std::vector<TShownColumn> columns, std::vector<TKYVNAccount*> rows, int sortColumn);
    int Append(TKYVNAccount* account); // returns the new row
    void Remove(int row);
    int RowOf(const TKYVNAccount* account) const;
    TKYVNAccount* Account(int row) const;
    const std::vector<TShownColumn>& Columns() const { return columns_; }

    QString Text(int row, int column) const;
    // The column whose keys the comparison uses; -1 keeps the file order.
    void SetSortColumn(int column);
    int SortColumn() const { return sortColumn_; }
    bool Less(int rowA, int rowB) const;

private:
    void appendKey(const TKYVNAccount* account);
    void computeKeys();

    std::vector<TShownColumn> columns_;
    std::vector<TKYVNAccount*> rows_;
    int sortColumn_ = -1;
    bool dateKeys_ = false;
    // One key per row: the first eight bytes of its collation key (or the day of a date) for a quick
    // comparison, and the whole key in one contiguous pool for ties. Keys of removed rows stay in the
    // pool until the next rebuild.
    std::vector<quint64> prefix_;
    std::vector<quint32> offset_;
    QByteArray pool_;
    struct TCollation;
    std::shared_ptr<TCollation> collation_;
};

class TKYVNAccountsSort : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
