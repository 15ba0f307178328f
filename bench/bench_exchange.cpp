// Speed of the export and merge wizards with 100,000 accounts, on the offscreen platform, through the
// wizards themselves (progress painting included). Goals on the development machine: the text export
// under 1 s, the document under 3 s; a merge of two 100,000-account files sharing half their names,
// analysis and import under 1 s each.
#include <benchmark/benchmark.h>

#include "clsFile.h"
#include "frmExport.h"
#include "frmMerge.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int kAccounts = 100000;

QTemporaryDir& benchDir() {
    static QTemporaryDir dir;
    return dir;
}

// count accounts named "<prefix> <n>" with every field filled, and notes on every tenth.
std::unique_ptr<TKYVNFile> makeFile(const QString& prefix, int first, int count) {
    auto f = std::make_unique<TKYVNFile>();
    f->FileName = benchDir().filePath(prefix + QStringLiteral(".kvf"));
    f->Accounts.reserve(count);
    for (int i = first; i < first + count; ++i) {
        auto* a = new TKYVNAccount;
        a->AccountName = QStringLiteral("Account %1").arg(i, 6, 10, QLatin1Char('0'));
        if (i % 2)
            a->AccountName = a->AccountName.toLower(); // the shared half differs in letter case too
        a->Login = QStringLiteral("user%1").arg(i);
        a->Password = QStringLiteral("Pw\"%1x!q").arg(i * 7919);
        a->Email = QStringLiteral("user%1@example.org").arg(i);
        a->Web = QStringLiteral("https://site%1.example.org/login").arg(i % 997);
        if (i % 10 == 0)
            a->Notes = QStringLiteral("first line, with a comma\r\nsecond line");
        a->Protected = i % 3 == 0;
        a->Created = QDate(2003, 1, 1).addDays(i % 5000);
        a->Modified = a->Created.addDays(30);
        f->AddAccount(a);
    }
    return f;
}

const TKYVNFile& exportFile() {
    static const auto file = makeFile(QStringLiteral("export"), 0, kAccounts);
    return *file;
}

void exportThroughTheWizard(benchmark::State& state, bool document) {
    const TKYVNFile& file = exportFile();
    TExportWzd wizard;
    wizard.File = &file;
    wizard.show();
    wizard.cmdNext->click();
    (document ? wizard.radMSWord : wizard.radTextFile)->setChecked(true);
    const QString target = benchDir().filePath(document ? QStringLiteral("out.docx") : QStringLiteral("out.csv"));
    for (auto _ : state) {
        wizard.txtDestination->setText(target);
        if (document)
            wizard.ExportToDocument();
        else
            wizard.ExportToText();
    }
    state.counters["accounts"] = file.AccountCount();
    state.counters["bytes"] = double(QFileInfo(target).size());
}

void BM_ExportText(benchmark::State& state) {
    exportThroughTheWizard(state, false);
}
BENCHMARK(BM_ExportText)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExportDocument(benchmark::State& state) {
    exportThroughTheWizard(state, true);
}
BENCHMARK(BM_ExportDocument)->Unit(benchmark::kMillisecond)->Iterations(3);

// Two files of 100,000 accounts each, the second's first half named as the open file's second half.
struct TMergePair {
    std::unique_ptr<TKYVNFile> Open = makeFile(QStringLiteral("open"), 0, kAccounts);
    std::unique_ptr<TKYVNFile> Second = makeFile(QStringLiteral("second"), kAccounts / 2, kAccounts);
};

void BM_MergeAnalysis(benchmark::State& state) {
    TMergePair files;
    TMergeWzd wizard;
    wizard.OpenFile = files.Open.get();
    wizard.MergeFile = files.Second.get();
    wizard.show();
    for (auto _ : state)
        wizard.AnalyseFiles();
    state.counters["repeated"] = wizard.lvModel->rowCount();
}
BENCHMARK(BM_MergeAnalysis)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MergeImport(benchmark::State& state) {
    TMergePair files;
    TMergeWzd wizard;
    wizard.OpenFile = files.Open.get();
    wizard.MergeFile = files.Second.get();
    wizard.show();
    wizard.AnalyseFiles();
    wizard.popItemsSelectAllClick(); // every repeated account replaced
    int added = 0;
    for (auto _ : state) {
        wizard.ImportAccounts();
        state.PauseTiming();
        std::unique_ptr<TMergeImport> import = wizard.TakeImport();
        added = import->Added();
        import->Undo(); // the next round starts from the same files
        state.ResumeTiming();
    }
    state.counters["added"] = added;
}
BENCHMARK(BM_MergeImport)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
