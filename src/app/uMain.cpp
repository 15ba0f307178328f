#include "uMain.h"

#include <QApplication>
#include <QMainWindow>

int KeyvaneMain(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessivo Keyvane"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tessivo Keyvane"));
    window.resize(640, 480);
    window.show();
    return app.exec();
}
