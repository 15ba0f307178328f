#include "clsList.h"

#include "QsApp.h"
#include "QsExceptions.h"
#include "clsAccount.h"
#include "uOptions.h"

TKYVNList* ListLayout = nullptr;

namespace {
struct TDefaultColumn {
    TKYVNField field;
    qint32 width;
    bool visible;
    bool isProtected;
};
const TDefaultColumn kDefaultColumns[] = {
    {kfAccountName, 150, true, false}, {kfLogin, 150, true, false},   {kfPassword, 100, false, true},
    {kfEmail, 150, true, false},       {kfWeb, 150, true, false},     {kfNotes, 200, false, false},
    {kfProtected, 50, false, false},   {kfCreated, 100, true, false}, {kfModified, 100, true, false},
};
constexpr int kStoredColumns = 9;
} // namespace

TKYVNList::TKYVNList(const TKYVNList& other) {
    *this = other;
}

TKYVNList& TKYVNList::operator=(const TKYVNList& other) {
    if (this != &other) {
        Clear();
        for (const TKYVNColumn* c : other.Columns)
            Columns.append(new TKYVNColumn(*c));
        SortIndex = other.SortIndex;
        SortAscending = other.SortAscending;
    }
    return *this;
}

TKYVNList::~TKYVNList() {
    Clear();
}

int TKYVNList::AddColumn(const QString& caption, qint32 width, bool visible, bool isProtected) {
    Columns.append(new TKYVNColumn{caption, width, visible, isProtected});
    return int(Columns.size() - 1);
}

TKYVNColumn* TKYVNList::GetColumn(int index) const {
    if (index < 0 || index >= Columns.size())
        throw EQsException(QStringLiteral("List index out of bounds (%1)").arg(index));
    return Columns[index];
}

TKYVNColumn* TKYVNList::FindColumn(const QString& caption) const {
    const int i = IndexOfColumn(caption);
    return i < 0 ? nullptr : Columns[i];
}

int TKYVNList::IndexOfColumn(const QString& caption) const {
    for (qsizetype i = 0; i < Columns.size(); ++i)
        if (KyvnSameText(Columns[i]->Caption, caption))
            return int(i);
    return -1;
}

void TKYVNList::Clear() {
    qDeleteAll(Columns);
    Columns.clear();
}

void TKYVNList::SetDefaults() {
    for (const TDefaultColumn& c : kDefaultColumns)
        AddColumn(KyvnFieldCaption(c.field), c.width, c.visible, c.isProtected);
    SortIndex = 0;
    SortAscending = true;
}

TQsRegRoot TKYVNList::Root() {
    return AppInfo ? AppInfo->RegistryRoot : TQsRegRoot::LocalMachine;
}

// Without an application record (the command-line tool, tests) the program's standard key.
QString TKYVNList::Key() {
    const QString product =
        AppInfo ? AppInfo->ProductKey : QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
    return product + QStringLiteral("\\Storage\\List");
}

void TKYVNList::Load(bool useDefaults) {
    Clear();
    if (useDefaults) {
        SetDefaults();
        return;
    }
    try {
        loadStored();
    } catch (const std::exception&) {
        // A layout that cannot be used in full gives the defaults, silently.
        Clear();
        SetDefaults();
    }
}

void TKYVNList::loadStored() {
    const TQsRegRoot root = Root();
    const QString key = Key();
    for (int n = 0; n < kStoredColumns; ++n) {
        const TKYVNColumn c = ColumnFromText(ReadRegString(root, key, QStringLiteral("Col%1").arg(n), QString()));
        AddColumn(c.Caption, c.Width, c.Visible, c.Protected);
    }
    SortIndex = ReadRegInteger(root, key, QStringLiteral("SortIndex"), 0);
    SortAscending = ReadRegBool(root, key, QStringLiteral("SortAscending"), true);
}

void TKYVNList::Save(bool saveList) const {
    if (!saveList)
        return;
    const TQsRegRoot root = Root();
    const QString key = Key();
    for (qsizetype n = 0; n < Columns.size(); ++n)
        WriteRegString(root, key, QStringLiteral("Col%1").arg(n), ColumnToText(*Columns[n]));
    WriteRegInteger(root, key, QStringLiteral("SortIndex"), SortIndex);
    WriteRegBool(root, key, QStringLiteral("SortAscending"), SortAscending);
}

void TKYVNList::Save() const {
    Save(Options ? Options->SaveList : true);
}

void CreateListLayout() {
    delete ListLayout;
    ListLayout = new TKYVNList;
    ListLayout->Load(false);
}

void ReleaseListLayout() {
    if (!ListLayout)
        return;
    ListLayout->Save();
    delete ListLayout;
    ListLayout = nullptr;
}
