// Test support shared by every test program.
#pragma once

#include <QCoreApplication>
#ifdef QT_WIDGETS_LIB
#include <QApplication>
#endif
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

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

inline QString fixture(const QString& name) { return QStringLiteral(KEYVANE_FIXTURES "/") + name; }

} // namespace KyvnTest

#ifdef QT_WIDGETS_LIB
// QTEST_MAIN with isolated XDG folders set before the application object exists.
#define KYVN_TEST_MAIN(TestClass)                                                                                     \
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
