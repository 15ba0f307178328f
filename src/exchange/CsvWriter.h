// The text export: comma-separated values, one header line of the chosen captions and one record per
// account in file order. Every value stands between double quotes, a double quote inside a value is
// written twice, line breaks of the notes stay inside the quotes, every line ends with CR LF, and the
// text is UTF-8 without a byte-order mark.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class TKYVNFile;

// The value between double quotes, its own double quotes doubled.
QString CsvQuoted(const QString& value);

// The whole file for the fields named by captions, in their order. beforeAccount, when set, is called
// with each account's position before that account is written (it may raise to stop the export).
QByteArray CsvExport(const TKYVNFile& file, const QStringList& captions,
                     const std::function<void(int)>& beforeAccount = {});
