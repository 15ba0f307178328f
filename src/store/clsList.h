// The layout of the accounts list: the columns in their order and the sort state. One instance for the
// whole run, ListLayout, kept in the settings store under ProductKey\Storage\List.
#pragma once

#include "QsRegUtils.h"
#include "clsColumn.h"

#include <QList>

class TKYVNList {
public:
    TKYVNList() = default;
    TKYVNList(const TKYVNList& other);
    TKYVNList& operator=(const TKYVNList& other);
    ~TKYVNList();

    QList<TKYVNColumn*> Columns; // owned
    qint32 SortIndex = 0;        // position of the sort column among the shown columns
    bool SortAscending = true;

    int AddColumn(const QString& caption, qint32 width, bool visible, bool isProtected);
    int ColumnCount() const { return int(Columns.size()); }
    TKYVNColumn* GetColumn(int index) const; // "List index out of bounds (%d)" outside the list
    // The first column whose caption matches with the letters a to z folded, or nullptr / -1.
    TKYVNColumn* FindColumn(const QString& caption) const;
    int IndexOfColumn(const QString& caption) const;
    void Clear();
    // Appends the nine default columns and sorts ascending by the first.
    void SetDefaults();
    // Clear, then the defaults (useDefaults) or the stored layout, taken whole or not at all.
    void Load(bool useDefaults);
    // Writes the layout; nothing at all when saveList is off.
    void Save(bool saveList) const;
    // As above, with SaveList of the preferences (on when no preferences are loaded).
    void Save() const;

    static TQsRegRoot Root();
    static QString Key(); // ProductKey + "\Storage\List"

private:
    void loadStored();
};

// Made and loaded by start-up after the preferences, saved and released by shutdown.
extern TKYVNList* ListLayout;

// Start-up makes ListLayout and loads it from the store; shutdown saves it (per SaveList) and releases it.
void CreateListLayout();
void ReleaseListLayout();
