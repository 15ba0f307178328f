// Reading the comma-separated files that browsers and other password managers export.
//
// Records follow RFC 4180: values separated by a delimiter, records by line breaks, and a value in
// double quotes may hold the delimiter, line breaks and doubled double quotes. The delimiter is the one
// of comma, semicolon and tab that the header line uses most (outside quotes). The text is UTF-8 (with
// or without a byte-order mark), UTF-16 with its byte-order mark, or else read line by line: as UTF-8
// where a line is valid UTF-8 and as Windows-1252 where it is not, so one odd line never garbles the
// file. A record that cannot be read (a quote never closed, a value that goes on after its closing
// quote, more values than the header has) is refused with its line number: nothing is dropped silently.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

struct TCsvTable {
    QStringList Header;
    QList<QStringList> Rows; // each as long as Header
    QList<int> RowLines;     // the line (from 1) on which each row starts
    QChar Delimiter = u',';
    QString Encoding;         // "UTF-8", "UTF-8 with byte-order mark", "UTF-16", "Windows-1252"...
    int Windows1252Lines = 0; // lines read as Windows-1252
};

// The text of the bytes as described above; encoding receives its name.
QString DecodeCsvText(const QByteArray& bytes, QString* encoding = nullptr);
// The delimiter the first line of text uses most, outside quotes; comma when none.
QChar DetectCsvDelimiter(QStringView text);
// Reads the whole table. Raises EQsException "Line %d: ..." (kind 1) for a record that cannot be read,
// and "The file is empty." for a file without a header line. Blank lines between records are skipped.
TCsvTable ReadCsv(const QByteArray& bytes);
// Reads the file at path; raises EQsException "Cannot read '%s'." with the reason, or as ReadCsv does
// with the file named in the message.
TCsvTable ReadCsvFile(const QString& path);
