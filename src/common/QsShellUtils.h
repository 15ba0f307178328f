// The desktop shell: web and mail addresses, the system-information tool, file icons.
#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

// Opens the address in the desktop's browser; "http://" is put in front unless it already starts with
// "http://" or "https://" (in any letter case). An empty text opens nothing. The outcome is ignored.
void OpenWebAddress(const QString& address);
// Opens the address in the desktop's mail program, with "mailto:" in front unless it has it already.
void OpenMailAddress(const QString& address);

// Starts the first system-information tool found on PATH. Raises "Unable to run System Info at this
// time." (kind 1) with the reason as details when there is none or it cannot be started.
void RunSystemInfo();
// The tools RunSystemInfo looks for, in order.
QStringList QsSystemInfoTools();

// The desktop's icon for the file's type; a null icon when the theme has none.
QIcon FileIcon(const QString& path);

// The one place where addresses reach the desktop; tests replace it to see the address. An empty
// function restores QDesktopServices::openUrl.
using TQsUrlOpener = std::function<bool(const QUrl& url)>;
void QsSetUrlOpener(TQsUrlOpener opener);
