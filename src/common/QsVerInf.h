// Version information of a program file. The build embeds one version block in every program that
// links this unit (see QsVerInf.cpp); these functions find it again by reading the file.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

struct TQsVersionInfo {
    quint16 Major = 0;
    quint16 Minor = 0;
    quint16 Release = 0;
    quint16 Build = 0;
    QList<QPair<quint16, quint16>> Translations; // (language, code page), e.g. (0x0409, 0x04E4)
    QList<QPair<QString, QString>> Strings;      // full key ("\StringFileInfo\040904E4\LegalCopyright"), value
};

// "2.0.0 Build 40"; "0.0.0" when the file has no version information.
QString FileVersionText(const QString& path);
// The version this program was built as, in the same form, without reading any file.
QString QsOwnVersionText();
// The "LegalCopyright" string; the fixed notice without version information, empty when only the string
// is missing.
QString FileLegalNotice(const QString& path);
// False when the first translation's language is Portuguese (2070 or 1046); true otherwise, and true
// without version information or translation table.
bool FileIsEnglish(const QString& path);

// The notice given for a file without version information.
QString QsFixedLegalNotice();

// The first sound version block in the file, if any.
std::optional<TQsVersionInfo> QsReadVersionInfo(const QString& path);
// The first sound version block in these bytes, if any.
std::optional<TQsVersionInfo> QsParseVersionBlock(const QByteArray& bytes);
// A version block as the build embeds it (for tools and tests).
QByteArray QsMakeVersionBlock(const TQsVersionInfo& info);
// The string of that name under the first translation ("\StringFileInfo\" + language and code page as
// eight upper-case hex digits + "\" + name); nothing when there is no translation or no such string.
std::optional<QString> QsVersionString(const TQsVersionInfo& info, const QString& name);
