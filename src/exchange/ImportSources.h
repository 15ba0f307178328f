// The programs whose CSV exports the import knows, each recognised by its header row and mapped to the
// nine account fields, in one table. A column that maps to no field is kept in the notes as a
// "Caption: value" line.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// Where the values of one CSV column go.
struct TColumnTarget {
    enum : int { ToNotes = -1, LeaveOut = -2 };
    int Target = ToNotes; // a field (TKYVNField), ToNotes or LeaveOut
    QString Caption;      // of the notes line; the column's header when empty
    QString Quiet;        // a notes line with this value (letter case ignored) says nothing and is not written
    bool Time = false;    // the value is a time (milliseconds since 1970 or ISO 8601), written as a date
};
using TImportMapping = QList<TColumnTarget>;

struct TSourceColumn {
    const char* Header;
    int Target;
    const char* Caption; // for notes lines; nullptr: the header
    const char* Quiet;   // nullptr: every value is written
    bool Required;       // the header must have it for the source to be recognised
    bool Time;
};

struct TImportSource {
    const char* Id;      // keyvane-cli import --from
    const char* Title;   // "Firefox"
    const char* Article; // "a Firefox export"
    std::vector<TSourceColumn> Columns;
    // The source has no name column: an account is named by the host of its web address.
    bool NameFromWeb = false;
};

const std::vector<TImportSource>& ImportSources();
// By Id, letter case ignored; nullptr when there is none.
const TImportSource* FindImportSource(const QString& id);
// The source whose columns the header names (letter case and blanks around ignored): it has every
// required column and no column the source does not know. The closest when several qualify; nullptr
// when none does.
const TImportSource* RecognizeImportSource(const QStringList& header);
// Each header column's target under the source; a column the source does not know goes to the notes.
TImportMapping SourceMapping(const TImportSource& source, const QStringList& header);
// A first guess for a header no source knows: columns named like a field (name, title, user, login,
// url, e-mail, notes...) go to it, the others to the notes.
TImportMapping GuessMapping(const QStringList& header);
// The ids, for messages: "chromium, firefox, ...".
QString ImportSourceIds();
