// Minimising, the notification-area icon, the way back from it and the preferences, which hold both
// still while they are open.
#include "frmMain.h"

#include "QsExceptions.h"
#include "QsTimer.h"
#include "clsFile.h"
#include "frmMainStartup.h"
#include "frmOptions.h"
#include "uOptions.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {
bool systemTrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

// The panels that show StatusNotifierItems (Plasma, GNOME's AppIndicator extension, most Wayland
// panels) have no double click: their one click on the item (Activate) is the way back.
bool trayTakesOneClick() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")).value();
}
} // namespace

bool (*TKYVNMain::TrayAvailable)() = &systemTrayAvailable;
bool (*TKYVNMain::TrayOneClick)() = &trayTakesOneClick;

bool TKYVNMain::TrayIconShown() const {
    return TrayIcon && TrayIcon->isVisible();
}

void TKYVNMain::ApplyTrayPreferences() {
    const bool wanted = MainOptions().TrayIcon;
    if (wanted && !TrayIcon) {
        TrayIcon = new QSystemTrayIcon(this);
        TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
        TrayIcon->setToolTip(QStringLiteral("Tessivo Keyvane"));
        TrayIcon->setContextMenu(popTray);
        TrayIcon->setIcon(windowIcon().isNull() ? MenuPicture(12) : windowIcon());
        connect(this, &QWidget::windowIconChanged, TrayIcon, [this](const QIcon& icon) {
            if (!icon.isNull())
                TrayIcon->setIcon(icon);
        });
        connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick || (reason == QSystemTrayIcon::Trigger && TrayOneClick()))
                RunCommand(popTray->defaultAction());
        });
    }
    if (TrayIcon)
        TrayIcon->setVisible(wanted);
}

void TKYVNMain::MinimizeApplication() {
    // hidden in the tray, or already on the taskbar: nothing more to do
    if (TrayState == 1 || isMinimized())
        return;
    showMinimized();
}

void TKYVNMain::tMinimizeTimer() {
    if (MainOptions().AutoMinimizeAfter && TrayState == 0)
        MinimizeApplication();
}

void TKYVNMain::ScreenLocked() {
    // as the auto-minimise does: into the tray, with the password on the way back when that is asked
    if (MainOptions().MinimizeOnLock && TrayState == 0)
        MinimizeApplication();
}

void TKYVNMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    if (event->type() != QEvent::WindowStateChange)
        return;
    const bool minimized = isMinimized();
    if (minimized == minimizedSeen_)
        return;
    minimizedSeen_ = minimized;
    QsGuard([this, minimized] {
        if (minimized)
            aeMainMinimize();
        else
            aeMainRestore();
    });
}

void TKYVNMain::aeMainMinimize() {
    if (TrayState != 0)
        return;
    // Whether a notification area exists is asked now, not at start: without one, hiding the window would
    // leave nothing to bring it back by, so it stays minimised on the taskbar.
    if (!TrayIconShown() || !TrayAvailable())
        return;
    TrayState = 1;
    // the window manager finishes the iconify first; hiding then takes the taskbar button away
    QTimer::singleShot(0, this, [this] {
        if (TrayState == 1 && isVisible())
            hide();
    });
}

void TKYVNMain::aeMainRestore() {
    TrayState = 0;
}

void TKYVNMain::RestoreApplication() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    minimizedSeen_ = false;
    aeMainRestore();
}

void TKYVNMain::actTrayOpenExecute() {
    if (TrayState == 2)
        return; // a guarded dialog is already open
    if (isVisible() && !isMinimized()) {
        raise();
        activateWindow();
    }
    if (FileOpen && CurrentFile && TrayState == 1 && MainOptions().TrayPassword) {
        TrayState = 2;
        bool given = false;
        try {
            given = MainAskFilePassword(this, *CurrentFile);
        } catch (...) {
            TrayState = 1;
            throw;
        }
        if (!given) {
            TrayState = 1;
            return;
        }
    }
    RestoreApplication();
}

void TKYVNMain::actFilePreferencesExecute() {
    const int before = TrayState;
    TrayState = 2;
    try {
        EditPreferences([this] { ApplyPreferences(); });
    } catch (...) {
        TrayState = before;
        throw;
    }
    TrayState = before;
    // Hidden in the tray and the icon just switched off: nothing would be left to come back by.
    if (TrayState == 1 && !TrayIconShown()) {
        TrayState = 0;
        showMinimized();
    }
}
