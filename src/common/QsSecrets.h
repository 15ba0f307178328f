// Keeping secrets out of places they could leak to: core files and memory given back.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// Makes the process undumpable and its core-file limit 0, so that neither a crash nor gcore nor another
// process of the same user can copy the open file's passwords out of its memory. Call at start, before
// anything secret is read. Returns false when the system refused either.
bool QsProtectProcessMemory();

// Overwrites the characters of a text that held a secret, when this object is the buffer's only
// holder (a shared buffer belongs to its other holders too, who may still need it). True when done.
bool QsOverwrite(QString& text);
bool QsOverwrite(QByteArray& bytes);
// QsOverwrite, then empties the object.
void QsWipe(QString& text);
void QsWipe(QByteArray& bytes);
void QsWipe(std::string& text);
