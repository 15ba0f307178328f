// The document export: an Office Open XML word-processing document (.docx) made by the program itself.
// A landscape page, the bold title line, two empty paragraphs, then one table whose first row (bold,
// repeated at the top of every printed page) names the chosen fields and whose further rows hold the
// accounts in file order, in plain 8-point Tahoma.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class TKYVNFile;

// The title of the document of the file at path: "Tessivo Keyvane - Export of '<path>'".
QString DocxTitle(const QString& path);

// The whole .docx file for the fields named by captions, in their order. beforeAccount, when set, is
// called with each account's position before that account's row is written (it may raise). Raises
// EQsException when the package cannot be made.
QByteArray DocxExport(const TKYVNFile& file, const QStringList& captions,
                      const std::function<void(int)>& beforeAccount = {});
