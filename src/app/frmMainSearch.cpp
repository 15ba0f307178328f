// The search commands of the main window (Find, Find Next) and the file properties command.
#include "frmMain.h"
#include "frmMainList.h"

#include "QsFilePropsFrm.h"
#include "QsMsgFrm.h"
#include "clsAccount.h"
#include "frmFind.h"

#include <QItemSelectionModel>
#include <QSortFilterProxyModel>
#include <QTreeView>

namespace {

// "DDMMYYYY" of a date into buf, as the file writes it, without making a string per row.
QStringView dayText(const QDate& date, char16_t (&buf)[8]) {
    int day = 0, month = 0, year = 0;
    date.getDate(&year, &month, &day);
    const int parts[3][2] = {{day, 2}, {month, 2}, {year, 4}};
    int at = 0;
    for (const auto& [value, width] : parts) {
        int v = value;
        for (int i = width - 1; i >= 0; --i) {
            buf[at + i] = char16_t(u'0' + v % 10);
            v /= 10;
        }
        at += width;
    }
    return QStringView(buf, 8);
}

// Every field of the account in its fixed order; protection makes no difference here.
bool accountHoldsText(const TKYVNAccount& a, QStringView text) {
    for (const QString* field : {&a.AccountName, &a.Login, &a.Password, &a.Email, &a.Web, &a.Notes})
        if (field->contains(text))
            return true;
    if (QStringView(a.Protected ? u"True" : u"False").contains(text))
        return true;
    char16_t buf[8];
    return dayText(a.Created, buf).contains(text) || dayText(a.Modified, buf).contains(text);
}

} // namespace

TFindDlg* TKYVNMain::FindDialog() {
    if (!FindDlg) {
        FindDlg = new TFindDlg(this);
        FindDlg->OnSearch = [this](const QString& text) { return SearchAccounts(text); };
    }
    return FindDlg;
}

bool TKYVNMain::RowHoldsText(int position, const QString& text) const {
    const int row = lvSorted->mapToSource(lvSorted->index(position, 0)).row();
    if (FindAllFields) {
        const TKYVNAccount* account = lvModel->Account(row);
        return account && accountHoldsText(*account, text);
    }
    // What the row shows, first column first: a protected column is searched as "[Hidden]".
    const int columns = int(lvModel->Columns().size());
    for (int c = 0; c < columns; ++c)
        if (lvModel->Text(row, c).contains(text))
            return true;
    return false;
}

bool TKYVNMain::SearchAccounts(const QString& text) {
    LastFindText = text;
    const int rows = RowCount();
    const int selected = SelectedRow();
    for (int position = selected >= 0 ? selected + 1 : 0; position < rows; ++position) {
        if (RowHoldsText(position, text)) {
            SelectRow(position); // selected, focused and scrolled into view
            return true;
        }
    }
    QsAppMessage(QStringLiteral("Cannot find '%1'.").arg(text), 2, 0, 1);
    return false;
}

void TKYVNMain::actEditFindExecute() {
    // A search from Find starts at the top.
    lvAccounts->selectionModel()->clearSelection();
    TFindDlg* dialog = FindDialog();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void TKYVNMain::actEditFindNextExecute() {
    if (LastFindText.isEmpty())
        actEditFindExecute();
    else
        SearchAccounts(LastFindText);
}

void TKYVNMain::actFilePropertiesExecute() {
    ShowFileProperties(OpenFilePath);
}
