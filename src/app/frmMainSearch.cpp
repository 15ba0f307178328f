// The search commands of the main window (Find, Find Next) and the file properties command.
#include "frmMain.h"
#include "frmMainList.h"

#include "QsFilePropsFrm.h"
#include "QsMsgFrm.h"
#include "clsAccount.h"
#include "clsFile.h"
#include "frmFind.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>

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

// A contiguous, exact match. Scans for the needle's first character with the vectorised character
// search and compares from there: much faster than a general substring search on short fields.
bool holds(QStringView haystack, QStringView needle) {
    const qsizetype last = haystack.size() - needle.size();
    if (needle.isEmpty() || last < 0)
        return needle.isEmpty();
    const QChar first = needle.front();
    const QStringView rest = needle.mid(1);
    for (qsizetype at = haystack.indexOf(first); at >= 0 && at <= last; at = haystack.indexOf(first, at + 1))
        if (haystack.mid(at + 1, rest.size()) == rest)
            return true;
    return false;
}

// What the written forms of the flag and the dates can hold, decided once per search.
struct TNeedle {
    QStringView Text;
    bool MayBeFlag; // short enough for "True" or "False"
    bool MayBeDate; // digits only, at most eight
    explicit TNeedle(QStringView text) : Text(text) {
        MayBeFlag = text.size() <= 5;
        MayBeDate =
            text.size() <= 8 && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    }
};

// Every field of the account in its fixed order; protection makes no difference here.
bool accountHoldsText(const TKYVNAccount& a, const TNeedle& needle) {
    for (const QString* field : {&a.AccountName, &a.Login, &a.Password, &a.Email, &a.Web, &a.Notes})
        if (holds(*field, needle.Text))
            return true;
    if (needle.MayBeFlag && holds(a.Protected ? QStringView(u"True") : QStringView(u"False"), needle.Text))
        return true;
    if (!needle.MayBeDate)
        return false;
    char16_t buf[8];
    return holds(dayText(a.Created, buf), needle.Text) || holds(dayText(a.Modified, buf), needle.Text);
}

} // namespace

TFindDlg* TKYVNMain::FindDialog() {
    if (!FindDlg) {
        FindDlg = new TFindDlg(this);
        FindDlg->OnSearch = [this](const QString& text) { return SearchAccounts(text); };
    }
    return FindDlg;
}

namespace {
// The row at position of the shown order, tested in the fields the scope names.
bool rowHolds(const TKYVNMain& w, int position, const TNeedle& needle) {
    const int row = position;
    if (FindAllFields) {
        const TKYVNAccount* account = w.lvModel->Account(row);
        return account && accountHoldsText(*account, needle);
    }
    // What the row shows, first column first: a protected column is searched as "[Hidden]".
    const int columns = int(w.lvModel->Columns().size());
    for (int c = 0; c < columns; ++c)
        if (holds(w.lvModel->Text(row, c), needle.Text))
            return true;
    return false;
}
} // namespace

bool TKYVNMain::RowHoldsText(int position, const QString& text) const {
    return position >= 0 && position < RowCount() && rowHolds(*this, position, TNeedle(text));
}

bool TKYVNMain::SearchAccounts(const QString& text) {
    LastFindText = text;
    const int rows = RowCount();
    const int selected = SelectedRow();
    const TNeedle needle(text);
    for (int position = selected >= 0 ? selected + 1 : 0; position < rows; ++position) {
        if (rowHolds(*this, position, needle)) {
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
    ShowFileProperties(OpenFilePath, CurrentFile ? CurrentFile->Protection() : QString());
}
