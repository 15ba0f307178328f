// What an account's fields may hold, and how a value becomes one the passwords file can keep. Every
// way into an account (the editor, the rename dialog, keyvane-cli, the import) follows these rules.
//
// The file keeps one field per line and ends its text at a NUL: the single-line fields (name, login,
// password, e-mail and web address) may hold no line break and no NUL. The notes may hold line breaks,
// which the file writes as ' (CR) and # (LF); so the notes are the one field that cannot hold the
// apostrophe and the number sign. Everywhere else they are ordinary characters and are never removed.
#pragma once

#include "clsAccount.h"

#include <QChar>
#include <QString>
#include <QStringView>

#include <functional>

class TKYVNFile;
class EQsException;

// The field of the notes, the one text field that spans lines.
inline bool KyvnIsNotesField(int field) {
    return field == kfNotes;
}
// The five single-line text fields.
inline bool KyvnIsLineField(int field) {
    return field >= kfAccountName && field <= kfWeb;
}

// The apostrophe and the number sign: line breaks of the notes in the file.
bool IsNotesReservedChar(QChar c);
// Whether the text field may hold c.
bool FieldAccepts(int field, QChar c);
// The text without the characters the field refuses (what an input filter lets through). The notes keep
// their line breaks.
QString WithoutRefused(int field, const QString& text);

// Removes every character of code 32 or lower from both ends; inside the text they stay. New and
// edited accounts are trimmed; a rename keeps the name as typed.
QString TrimField(const QString& text);
// Line breaks of any kind (CR LF, CR, LF) as CR LF, as accounts hold them in the notes.
QString NotesLineBreaks(QString text);

// The longest text the account dialogs let a person type into a field (0: no limit). Longer values
// that come from elsewhere (an import, a generated password) are kept whole.
int FieldTypingLimit(int field);

// Why the value cannot be stored in the field ("Login cannot hold a line break or a NUL character."),
// or an empty text when it can.
QString FieldProblem(int field, const QString& value);

// The value made storable in the field, visibly rather than silently: in a single-line field each line
// break becomes a space; in the notes ' becomes ’ (U+2019) and # becomes ＃ (U+FF03) and line breaks
// become CR LF; a NUL goes from every field. changed tells whether anything a person would see changed
// (a CR LF that becomes CR LF again is no change).
QString MakeStorable(int field, const QString& value, bool* changed = nullptr);
// The same for every text field of the account; gives the number of fields changed.
int MakeAccountStorable(TKYVNAccount& account);
// Raises EQsException (kind 2) naming the first field the account cannot keep as it is, and for an
// empty name.
void CheckAccountFields(const TKYVNAccount& account);

// True when the file has an account of that name (the letters a to z compared without case).
bool AccountNameInUse(const TKYVNFile* file, const QString& name);
// "There is already an account named '%s'." (kind 2), details "Please provide a different name for
// this account.".
EQsException NameInUseError(const QString& name);
// The first of "name (2)", "name (3)", ... that inUse refuses; name itself when it is free.
QString FreeAccountName(const QString& name, const std::function<bool(const QString&)>& inUse);
