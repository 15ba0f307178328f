// Keeping secrets out of places they could leak to: core files and memory given back.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// Makes the process undumpable and its core-file limit 0, so that neither a crash nor gcore nor another
// process of the same user can copy the open file's passwords out of its memory. Call at start, before
// anything secret is read. Returns false when the system refused either.
bool QsProtectProcessMemory();

// Overwrites the characters of a text that held a secret, then empties it. Only memory this object
// owns alone is overwritten; a shared copy belongs to its other holders.
void QsWipe(QString& text);
void QsWipe(QByteArray& bytes);
void QsWipe(std::string& text);
// Overwrites the buffer that text shares with its other holders (a widget's own copy of what was
// typed), for when every holder is done with it. Texts in read-only storage (literals) are left alone.
void QsWipeShared(const QString& text);
