// The window's placement under ProductKey\Storage, kept while SaveWindow was on at creation: geometry,
// show state, the bars' docks and visibility, and the window style. Numbers are stored as decimal texts.
#include "frmMain.h"

#include "QsApp.h"
#include "QsRegUtils.h"
#include "uOptions.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <cmath>

namespace {
QString storageKey() {
    return (AppInfo ? AppInfo->ProductKey : TKYVNOptions::Key().section(u'\\', 0, -2)) + QStringLiteral("\\Storage");
}
TQsRegRoot storageRoot() {
    return AppInfo ? AppInfo->RegistryRoot : TQsRegRoot::LocalMachine;
}
QString readText(const char* name) {
    return ReadRegString(storageRoot(), storageKey(), QLatin1String(name), QString());
}
int readNumber(const char* name, int def) {
    bool ok = false;
    const int value = readText(name).toInt(&ok);
    return ok ? value : def;
}
void writeText(const char* name, const QString& value) {
    WriteRegString(storageRoot(), storageKey(), QLatin1String(name), value);
}
int pixelsPerInch(const QWidget* w) {
    const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen ? int(std::lround(screen->logicalDotsPerInch())) : 96;
}
} // namespace

void TKYVNMain::RestorePlacement() {
    if (!StorageActive)
        return;
    // the rectangle only at the pixels per inch it was saved at; the show state in any case
    const QByteArray geometry = QByteArray::fromBase64(readText("Geometry").toLatin1());
    if (!geometry.isEmpty() && readNumber("PixelsPerInch", -1) == pixelsPerInch(this))
        restoreGeometry(geometry);
    const QByteArray docks = QByteArray::fromBase64(readText("DockState").toLatin1());
    if (!docks.isEmpty())
        restoreState(docks);
    if (readNumber("sbMain_Visible", 1) == 0)
        statusBar()->hide();
    switch (readNumber("ShowCmd", 1)) {
    case 2:
        startMinimized_ = true; // after the first activation, as minimising at start-up does
        setWindowState(windowState() & ~Qt::WindowMinimized);
        break;
    case 3:
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        break;
    default:
        setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        break;
    }
    StorageRestorePlacement();
}

void TKYVNMain::StorageRestorePlacement() {
    const int current = (windowFlags() & Qt::WindowStaysOnTopHint) ? 3 : 0;
    PendingFormStyle = readNumber("FormStyle", current) == 3 ? 3 : 0;
}

void TKYVNMain::SavePlacement() {
    if (!StorageActive)
        return;
    placementSaved_ = true;
    // the store swallows a refused write: closing goes on whatever happens here
    const int showCmd = (TrayState == 1 || isMinimized()) ? 2 : isMaximized() ? 3 : 1;
    writeText("FormVersion", QStringLiteral("0"));
    writeText("ShowCmd", QString::number(showCmd));
    writeText("PixelsPerInch", QString::number(pixelsPerInch(this)));
    writeText("Geometry", QString::fromLatin1(saveGeometry().toBase64()));
    writeText("DockState", QString::fromLatin1(saveState().toBase64()));
    writeText("sbMain_Visible", statusBar()->isHidden() ? QStringLiteral("0") : QStringLiteral("1"));
    StorageSavePlacement();
}

void TKYVNMain::StorageSavePlacement() {
    writeText("FormStyle", (windowFlags() & Qt::WindowStaysOnTopHint) ? QStringLiteral("3") : QStringLiteral("0"));
}
