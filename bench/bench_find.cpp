// Speed of Find Next over 100,000 accounts on the offscreen platform: all fields searched, and only the
// last row of the list holds the text, so every search walks the whole list.
#include <benchmark/benchmark.h>

#include "QsAnswers.h"
#include "QsApp.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmFind.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTreeView>

#include <memory>

namespace {

QString bigFile(const QTemporaryDir& dir, int count) {
    const QString path = dir.filePath(QStringLiteral("find%1.kvf").arg(count));
    TKYVNFile f;
    f.FileName = path;
    f.Password = QStringLiteral("pw12");
    for (int i = 0; i < count; ++i) {
        auto* a = new TKYVNAccount;
        // Names sort in file order, so the last account is the last row.
        a->AccountName = QStringLiteral("Account %1").arg(i, 6, 10, QLatin1Char('0'));
        a->Login = QStringLiteral("user%1").arg(i);
        a->Password = QStringLiteral("pw%1x").arg(i);
        a->Email = QStringLiteral("u%1@example.org").arg(i);
        a->Web = QStringLiteral("www.site%1.com").arg(i % 997);
        a->Notes = QStringLiteral("some notes about this account, number %1").arg(i);
        a->Protected = i % 3 == 0;
        a->Created = QDate(2000, 1, 1).addDays(i % 9000);
        a->Modified = a->Created.addDays(i % 300);
        if (i == count - 1)
            a->Notes += QStringLiteral(" needle");
        f.AddAccount(a);
    }
    f.Save(false);
    return path;
}

void BM_FindNextAllFieldsLastRow(benchmark::State& state) {
    const int count = int(state.range(0));
    QTemporaryDir dir;
    const QString path = bigFile(dir, count);
    auto w = std::make_unique<TKYVNMain>();
    w->show();
    QsAnswers::Push(QStringLiteral("TPassEdit"), QStringLiteral("pw12"));
    w->OpenSequence(path);
    QsAnswers::Clear();
    if (w->RowCount() != count) {
        state.SkipWithError("list incomplete");
        return;
    }
    FindAllFields = true;
    LastFindText = QStringLiteral("needle");
    for (auto _ : state) {
        w->lvAccounts->selectionModel()->clearSelection();
        w->RunCommand(w->actEditFindNext);
        if (w->SelectedRow() != count - 1)
            state.SkipWithError("the last row was not found");
    }
    w->ExitRequested = true;
}

} // namespace

BENCHMARK(BM_FindNextAllFieldsLastRow)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(20);

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
    Options->AutoOpenLastFile = false;
    ListLayout = new TKYVNList;
    ListLayout->SetDefaults();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
