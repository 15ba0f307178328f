// Speed of the main window's accounts list with 100,000 accounts, on the offscreen platform: from the
// accepted password until the list is shown and sorted, and a re-sort by a heading click.
#include <benchmark/benchmark.h>

#include "QsAnswers.h"
#include "QsApp.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "frmPassword.h"
#include "uOptions.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTreeView>

#include <chrono>
#include <memory>

namespace {

QTemporaryDir& benchDir() {
    static QTemporaryDir dir;
    return dir;
}

QString bigFile(int count) {
    const QString path = benchDir().filePath(QStringLiteral("big%1.kvf").arg(count));
    if (QFile::exists(path))
        return path;
    TKYVNFile f;
    f.FileName = path;
    f.Password = QStringLiteral("pw12");
    QRandomGenerator rng(7);
    static const char* words[] = {"Bank", "mail", "Shop", "forum", "Cloud", "news", "Game", "work", "Ärzte", "zeta"};
    for (int i = 0; i < count; ++i) {
        auto* a = new TKYVNAccount;
        a->AccountName = QStringLiteral("%1 %2").arg(QLatin1String(words[rng.bounded(10)])).arg(rng.bounded(1000000));
        a->Login = QStringLiteral("user%1").arg(rng.bounded(100000));
        a->Password = QStringLiteral("pw%1").arg(i);
        a->Email = QStringLiteral("u%1@example.org").arg(rng.bounded(100000));
        a->Web = QStringLiteral("www.site%1.com").arg(i % 997);
        a->Created = QDate(2000, 1, 1).addDays(rng.bounded(9000));
        a->Modified = a->Created.addDays(rng.bounded(300));
        f.AddAccount(a);
    }
    f.Save(false);
    return path;
}

std::unique_ptr<TKYVNMain> gWindow;

TKYVNMain& window() {
    if (!gWindow) {
        gWindow = std::make_unique<TKYVNMain>();
        gWindow->show();
        QApplication::processEvents();
    }
    return *gWindow;
}

// The password question answers itself and starts the clock the moment its OK is accepted.
void answerPassword(std::chrono::steady_clock::time_point& accepted) {
    QsAnswers::PushHandler(QStringLiteral("TPassEdit"), [&accepted](QObject* dlg) {
        auto* pass = static_cast<TPassEdit*>(dlg);
        pass->txtPassword->setText(QStringLiteral("pw12"));
        pass->cmdOK->click();
        accepted = std::chrono::steady_clock::now();
        return QVariant(true); // any answer that is not a text: the dialog's own result counts
    });
}

void BM_OpenAndList(benchmark::State& state) {
    const QString path = bigFile(int(state.range(0)));
    TKYVNMain& w = window();
    for (auto _ : state) {
        std::chrono::steady_clock::time_point accepted;
        answerPassword(accepted);
        w.OpenSequence(path);
        w.lvAccounts->viewport()->repaint();
        const auto shown = std::chrono::steady_clock::now();
        QsAnswers::Clear();
        if (w.RowCount() != state.range(0))
            state.SkipWithError("list incomplete");
        state.SetIterationTime(std::chrono::duration<double>(shown - accepted).count());
    }
}

void BM_HeadingClick(benchmark::State& state) {
    const QString path = bigFile(int(state.range(0)));
    TKYVNMain& w = window();
    if (w.OpenFilePath != path || w.RowCount() != state.range(0)) {
        std::chrono::steady_clock::time_point accepted;
        answerPassword(accepted);
        w.OpenSequence(path);
        QsAnswers::Clear();
    }
    int column = 0;
    for (auto _ : state) {
        column = (column + 1) % 6; // Login, Email, Web, Created, Modified, Account Name
        w.lvAccountsColumnClick(column);
        w.lvAccounts->viewport()->repaint();
    }
}

} // namespace

BENCHMARK(BM_OpenAndList)->Arg(100000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_HeadingClick)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(12);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QApplication app(argc, argv);
    AppInfo = new TQsApplication;
    AppInfo->Title = QStringLiteral("Tessivo Keyvane");
    AppInfo->ProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
    Options = new TKYVNOptions;
    ListLayout = new TKYVNList;
    ListLayout->SetDefaults();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gWindow)
        gWindow->ExitRequested = true;
    gWindow.reset(); // while the settings store and the application are still there
    return 0;
}
