// Test support shared by every test program.
#pragma once

#include <QCoreApplication>
#ifdef QT_WIDGETS_LIB
#include <QApplication>
#include <QPixmap>
#include <QWidget>
#endif
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "QsRegUtils.h"

namespace KyvnTest {

// Every test program gets its own XDG folders, so nothing touches the user's settings or autostart.
inline QTemporaryDir& isolatedHome() {
    static QTemporaryDir dir;
    static const bool prepared = [] {
        const QString root = dir.path();
        for (const char* sub : {"config", "runtime", "data", "cache"})
            QDir(root).mkpath(QLatin1String(sub));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + "/config"));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + "/runtime"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root + "/data"));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(root + "/cache"));
        qputenv("KEYVANE_SPLASH_MS", "0");
        return true;
    }();
    Q_UNUSED(prepared);
    return dir;
}

inline QString fixture(const QString& name) {
    return QStringLiteral(KEYVANE_FIXTURES "/") + name;
}

// The whole content of a file; empty when it cannot be read.
#ifdef QT_WIDGETS_LIB
// Saves a picture of w as <name>.png when KEYVANE_SHOTS names a folder, for a person to look at.
inline void shoot(QWidget* w, const QString& name) {
    const QString dir = qEnvironmentVariable("KEYVANE_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    w->grab().save(dir + "/" + name + ".png");
}
#endif

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

// Points the settings store at a fresh, empty config folder for the life of the object.
class TFreshStore {
public:
    TFreshStore() : saved_(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()));
        QsRegClose();
    }
    ~TFreshStore() {
        QsRegClose();
        qputenv("XDG_CONFIG_HOME", saved_);
    }
    TFreshStore(const TFreshStore&) = delete;
    TFreshStore& operator=(const TFreshStore&) = delete;
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray saved_;
};

} // namespace KyvnTest

#ifdef QT_WIDGETS_LIB
// QTEST_MAIN with isolated XDG folders set before the application object exists.
#define KYVN_TEST_MAIN(TestClass)                                                                                      \
    int main(int argc, char** argv) {                                                                                  \
        KyvnTest::isolatedHome();                                                                                      \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestClass tc;                                                                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }

#endif

// For programs that must not link Widgets (the store and the QtCore part of the support library).
#define KYVN_TEST_CORE_MAIN(TestClass)                                                                                 \
    int main(int argc, char** argv) {                                                                                  \
        KyvnTest::isolatedHome();                                                                                      \
        QCoreApplication app(argc, argv);                                                                              \
        TestClass tc;                                                                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
