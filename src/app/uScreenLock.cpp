#include "uScreenLock.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");
} // namespace

TKYVNScreenLock::TKYVNScreenLock(QObject* parent) : QObject(parent) {
    // Any sender and any path: the desktops publish the interface under different paths
    // (/org/freedesktop/ScreenSaver, /ScreenSaver).
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        for (const QString& interface :
             {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver")})
            session.connect(QString(), QString(), interface, QStringLiteral("ActiveChanged"), this,
                            SLOT(screenSaverActiveChanged(bool)));
    }

    QDBusConnection system = QDBusConnection::systemBus();
    if (!system.isConnected())
        return;
    // The session the desktop started the program in names itself in the environment; without it,
    // logind is asked which session this process belongs to.
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (!id.isEmpty()) {
        listenToSession(SessionPathOf(id));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kLogin1, QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                                       QStringLiteral("GetSessionByPID"));
    call << quint32(QCoreApplication::applicationPid());
    auto* watcher = new QDBusPendingCallWatcher(system.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (!reply.isError())
            listenToSession(reply.value().path());
        w->deleteLater();
    });
}

QString TKYVNScreenLock::SessionPathOf(const QString& sessionId) {
    // logind's escaping of a name into one path element: letters and digits stay (a leading digit
    // does not), anything else is "_" and two hex digits of the byte
    QString element;
    const QByteArray bytes = sessionId.toUtf8();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (letter || (digit && i > 0))
            element += QLatin1Char(c);
        else
            element += QStringLiteral("_%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    if (element.isEmpty())
        element = QStringLiteral("_");
    return QStringLiteral("/org/freedesktop/login1/session/") + element;
}

void TKYVNScreenLock::listenToSession(const QString& path) {
    if (path.isEmpty())
        return;
    sessionPath_ = path;
    // The sender is not pinned to logind's name: only the path of this session is listened to.
    QDBusConnection::systemBus().connect(QString(), path, kSessionInterface, QStringLiteral("Lock"), this,
                                         SLOT(sessionLock()));
}

void TKYVNScreenLock::screenSaverActiveChanged(bool active) {
    if (active)
        emit Locked();
}

void TKYVNScreenLock::sessionLock() {
    emit Locked();
}
