// Tells when the desktop locks the screen: the screen savers' ActiveChanged on the session bus
// (org.freedesktop.ScreenSaver, as KDE and others speak it, and GNOME's org.gnome.ScreenSaver) and
// logind's Lock of this program's own session on the system bus. Where a bus is missing nothing is
// heard from it.
#pragma once

#include <QObject>
#include <QString>

class TKYVNScreenLock : public QObject {
    Q_OBJECT
public:
    explicit TKYVNScreenLock(QObject* parent = nullptr);

    // The object path of this program's logind session, "" until it is known.
    QString SessionPath() const { return sessionPath_; }
    // The object path logind gives a session id ("c2" -> /org/freedesktop/login1/session/c2).
    static QString SessionPathOf(const QString& sessionId);

signals:
    void Locked();

private slots:
    // D-Bus delivers its signals to slots named at run time (QDBusConnection has no other form).
    void screenSaverActiveChanged(bool active);
    void sessionLock();

private:
    void listenToSession(const QString& path);

    QString sessionPath_;
};
