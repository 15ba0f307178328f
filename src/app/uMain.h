// Start-up and shutdown of the program: command line, single instance, the application record, the
// preferences and the list layout, and the orderly end when the system asks the program to stop.
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QMainWindow;

// What the command line asks for at start.
struct TStartCommand {
    int Mode = 0; // 0 none, 1 new file (/N...), 2 open File (/F:path of an existing file)
    QString File; // absolute path for mode 2, empty otherwise
};

// The parameters after the program's name. Exactly one parameter counts; two or more count as none.
TStartCommand ParseCommandLine(const QStringList& args);

// The text that --help (or -h) and --version print when that is the only parameter; nothing otherwise.
// Printed and ended before any window, settings or the single-instance lock, so both work without a
// display and beside a running Keyvane.
std::optional<QString> InfoOptionText(const QStringList& args);

// Set once by the program entry before InitializeApplication; read once by the main window's first show.
extern int StartMode;
extern QString StartFile;

// Exit code of a second instance, which refuses to start (after its message).
constexpr int KeyvaneSecondInstanceExit = 2;

// Start-up before any window exists. False when another instance runs: the message was shown and the
// process must end at once (nothing has been written). With KEYVANE_TEST_AUTOANSWER=1 in the environment
// the message goes to standard error instead of a box, so scripted runs do not block.
bool InitializeApplication();
// Shutdown: saves the list layout and the preferences, then releases them and AppInfo. Run by the main
// window when it is destroyed; running it again does nothing.
void FinalizeApplication();

// The main window of the program, made by the program entry after InitializeApplication.
QMainWindow* CreateMainWindow();

// The system asks the program to end (SIGTERM, SIGHUP, SIGINT, the session manager's commit-data request).
// RequestExit runs the installed handler on the event loop's thread; the main window installs one that
// sets its ExitRequested flag and closes itself, so the open file and the settings are written. Without a
// handler the main window is simply closed. An open modal dialog is cancelled first; the request then
// comes back from the event loop once the dialog's command has returned.
using TExitRequestHandler = std::function<void()>;
void SetExitRequestHandler(TExitRequestHandler handler);
void RequestExit();

// How long the splash shows, in milliseconds: KEYVANE_SPLASH_MS, 2000 when unset or not a number >= 0.
int SplashMilliseconds();

// Shows the splash with its picture for SplashMilliseconds(), then closes it; the picture is kept
// (SplashPicture) until shutdown.
void ShowStartupSplash();
QImage& SplashPicture();
// The program's icon: the desktop theme's "keyvane", else the one the program carries.
QIcon KeyvaneIcon();

// The program entry: returns the process exit code.
int KeyvaneMain(int argc, char** argv);
