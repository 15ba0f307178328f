// The plain text of a passwords file, the same in both forms (the designed one and the protected one).
//
// Lines ending in CR LF: "ZKYVN", "#" + password, then nine lines per account, each "#" + a field, the
// notes with CR written as ' and LF as #. It is written as UTF-8 and read as UTF-8 when valid, as
// Windows-1252 otherwise, each line on its own.
#pragma once

#include "clsAccount.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// What a reading found beyond the accounts it appended.
struct TKYVNTextReading {
    // The text showed damage (a NUL before its last block, a line cut off, bytes after the last complete
    // account, or lengthDamaged); what could be read was kept.
    bool Damaged = false;
    qint64 BytesLeftOut = 0;
    // The length of the text that is byte for byte what KyvnFileText makes of the password and accounts
    // read (every line "#" + valid UTF-8 + CR LF, flags and dates in their written form, nothing left out);
    // -1 when the text differs from it anywhere. Lets a reader know what a write would write without
    // making it.
    qint64 WrittenAlike = -1;
};

// Appends bytes read as Windows-1252, the reading of any line that is not valid UTF-8.
void KyvnAppendWindows1252(QString& out, QByteArrayView bytes);

// The text of a file with this password and these accounts. Raises EQsException for a value that its
// line cannot carry (a NUL, or a line break outside the notes).
QByteArray KyvnFileText(const QString& password, const QList<TKYVNAccount*>& accounts);

// Reads a text: sets password and appends the accounts (the list owns them). Up to seven zero bytes at
// the end are the designed cipher's padding. Raises EQsException "This is not a valid passwords file."
// for a text that does not begin as one, and the reason of a bad value in an otherwise sound text.
TKYVNTextReading KyvnReadFileText(QByteArrayView plain, bool lengthDamaged, QString& password,
                                  QList<TKYVNAccount*>& accounts);
