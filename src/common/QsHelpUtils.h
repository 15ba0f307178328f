// The help window and the keys every dialog shares (Esc closes, F1 opens the help).
#pragma once

#include <QString>

class QDialog;
class QTextBrowser;
class QWidget;
struct TQsApplication;

// Shows the help page mapped to the context (0 is the contents) in the program's help window, one window
// reused by every request. Does nothing when app is null or its HelpFile names no existing file.
// Raises EQsException "Unable to show help file '%s'." (kind 1) when the page cannot be shown.
void ShowHelp(const TQsApplication* app, int context);
// The same for the program's own application record, AppInfo.
void ShowHelp(int context);

// Every dialog passes its key releases here: Esc (Qt::Key_Escape) rejects the dialog, F1 (Qt::Key_F1)
// shows the help at the dialog's context (0 when it has none).
void DialogKeyUp(int key, QDialog* dialog, const TQsApplication* app, int helpContext = 0);

// The page of a context ("options.html" for 500); the contents page for an unknown context.
QString QsHelpPage(int context);

// The help index for a program at exePath: share/keyvane/help/index.html under the installation prefix, or
// the source tree's pages for a program run from the build tree. Empty when there are none.
QString QsLocateHelpFile(const QString& exePath);

// The help window and its browser, once ShowHelp made them; null before.
QWidget* QsHelpWindow();
QTextBrowser* QsHelpBrowser();
