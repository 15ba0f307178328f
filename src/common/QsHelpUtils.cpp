#include "QsHelpUtils.h"

#include "QsApp.h"
#include "QsExceptions.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <array>
#include <utility>

namespace {

// Help contexts and their pages.
constexpr std::array<std::pair<int, const char*>, 8> kHelpPages = {{
    {0, "index.html"},
    {500, "options.html"},
    {510, "export.html"},
    {520, "merge.html"},
    {530, "account.html"},
    {540, "health.html"},
    {550, "import.html"},
    {60000, "support.html"},
}};

class THelpWindow : public QWidget {
public:
    THelpWindow() : QWidget(nullptr, Qt::Window) {
        setObjectName(QStringLiteral("QsHelpWindow"));
        browser = new QTextBrowser(this);
        browser->setAccessibleName(QStringLiteral("Help page"));
        browser->setOpenExternalLinks(true);
        auto* bar = new QToolBar(this);
        QAction* back = bar->addAction(QIcon::fromTheme(QStringLiteral("go-previous")), QStringLiteral("&Back"));
        QAction* forward = bar->addAction(QIcon::fromTheme(QStringLiteral("go-next")), QStringLiteral("&Forward"));
        QAction* home = bar->addAction(QIcon::fromTheme(QStringLiteral("go-home")), QStringLiteral("&Contents"));
        bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        back->setShortcut(QKeySequence::Back);
        forward->setShortcut(QKeySequence::Forward);
        back->setEnabled(false);
        forward->setEnabled(false);
        connect(back, &QAction::triggered, browser, &QTextBrowser::backward);
        connect(forward, &QAction::triggered, browser, &QTextBrowser::forward);
        connect(home, &QAction::triggered, browser, &QTextBrowser::home);
        connect(browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
        connect(browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(bar);
        layout->addWidget(browser);
        resize(640, 560);
    }
    QTextBrowser* browser = nullptr;
};

QPointer<THelpWindow>& helpWindow() {
    static QPointer<THelpWindow> window;
    return window;
}

void deleteHelpWindow() {
    delete helpWindow().data();
}

THelpWindow* ensureHelpWindow() {
    QPointer<THelpWindow>& window = helpWindow();
    if (!window) {
        window = new THelpWindow;
        qAddPostRoutine(deleteHelpWindow); // released with the application
    }
    return window;
}

} // namespace

QString QsHelpPage(int context) {
    for (const auto& [number, page] : kHelpPages)
        if (number == context)
            return QLatin1String(page);
    return QLatin1String(kHelpPages.front().second);
}

void ShowHelp(const TQsApplication* app, int context) {
    if (!app || app->HelpFile.isEmpty() || !QFileInfo(app->HelpFile).isFile())
        return;
    try {
        const QFileInfo index(app->HelpFile);
        QString page = index.dir().filePath(QsHelpPage(context));
        if (!QFileInfo(page).isFile())
            page = index.absoluteFilePath();
        THelpWindow* window = ensureHelpWindow();
        window->setWindowTitle(app->Title.isEmpty() ? QStringLiteral("Help") : app->Title + QStringLiteral(" Help"));
        if (window->browser->source().isEmpty())
            window->browser->setSource(QUrl::fromLocalFile(index.absoluteFilePath())); // home: the contents
        window->browser->setSource(QUrl::fromLocalFile(page));
        window->show();
        window->raise();
        window->activateWindow();
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Unable to show help file '%1'.").arg(app->HelpFile), QsExceptionMessage(e),
                           1);
    }
}

void ShowHelp(int context) {
    ShowHelp(AppInfo, context);
}

void DialogKeyUp(int key, QDialog* dialog, const TQsApplication* app, int helpContext) {
    if (key == Qt::Key_Escape) {
        if (dialog)
            dialog->reject();
    } else if (key == Qt::Key_F1) {
        ShowHelp(app, helpContext);
    }
}

QString QsLocateHelpFile(const QString& exePath) {
    const QDir exeDir = QFileInfo(exePath).absoluteDir();
    const QString installed =
        QDir::cleanPath(exeDir.absoluteFilePath(QStringLiteral("../share/keyvane/help/index.html")));
    if (QFileInfo(installed).isFile())
        return installed;
#if defined(KEYVANE_BUILD_DIR) && defined(KEYVANE_HELP_SOURCE_DIR)
    // A program of the build tree reads the pages from the sources.
    const QString build = QDir::cleanPath(QStringLiteral(KEYVANE_BUILD_DIR)) + u'/';
    if ((exeDir.absolutePath() + u'/').startsWith(build)) {
        const QString source = QStringLiteral(KEYVANE_HELP_SOURCE_DIR "/index.html");
        if (QFileInfo(source).isFile())
            return source;
    }
#endif
    return {};
}

QWidget* QsHelpWindow() {
    return helpWindow().data();
}

QTextBrowser* QsHelpBrowser() {
    return helpWindow() ? helpWindow()->browser : nullptr;
}
