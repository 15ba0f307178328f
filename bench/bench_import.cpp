// Speed of the import of a 100,000-row CSV export through the import wizard, on the offscreen platform:
// read, map, analyse the repeated names, import with the progress bar painted; and, apart, the one
// write-back that follows. Goal on the development machine: the wizard's part under 1 s.
#include <benchmark/benchmark.h>

#include "clsFile.h"
#include "frmImport.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int kRows = 100000;

QTemporaryDir& benchDir() {
    static QTemporaryDir dir;
    return dir;
}

// A Chromium export: every field filled, a quoted value with a comma on every row, a note with a line
// break on every tenth, a name repeated on every hundredth, and 1,000 names the open file holds too.
const QString& csvPath() {
    static const QString path = [] {
        const QString p = benchDir().filePath(QStringLiteral("export.csv"));
        QByteArray bytes = "name,url,username,password,note\r\n";
        bytes.reserve(kRows * 110);
        for (int i = 0; i < kRows; ++i) {
            const int n = i % 100 == 99 ? i - 1 : i;
            bytes += "site" + QByteArray::number(n) + ".example,https://site" + QByteArray::number(n) +
                     ".example/login,user" + QByteArray::number(i) + ",\"Pw," + QByteArray::number(i * 7919) + "x!\"," +
                     (i % 10 == 0 ? QByteArray("\"first, line\r\nsecond\"") : QByteArray()) + "\r\n";
        }
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write the export");
        return p;
    }();
    return path;
}

std::unique_ptr<TKYVNFile> openFile() {
    auto f = std::make_unique<TKYVNFile>();
    f->FileName = benchDir().filePath(QStringLiteral("open.kvf"));
    f->Password = QStringLiteral("secret");
    for (int i = 0; i < 1000; ++i) {
        auto* a = new TKYVNAccount;
        a->AccountName = QStringLiteral("SITE%1.EXAMPLE").arg(i * 50);
        f->AddAccount(a);
    }
    return f;
}

void BM_ImportWizard(benchmark::State& state) {
    const QString path = csvPath();
    for (auto _ : state) {
        state.PauseTiming();
        auto open = openFile();
        TImportWzd wizard;
        wizard.OpenFile = open.get();
        wizard.show();
        QApplication::processEvents();
        wizard.cmdNext->click(); // to the file
        wizard.txtSource->setText(path);
        state.ResumeTiming();
        wizard.cmdNext->click(); // read
        wizard.cmdNext->click(); // map and analyse
        wizard.cmdNext->click(); // preview: on to the repeated names
        wizard.cmdNext->click(); // repeated names: keep both
        wizard.cmdNext->click(); // import
        state.PauseTiming();
        if (!wizard.Imported || open->AccountCount() != 1000 + kRows)
            state.SkipWithError("the import did not finish");
        auto import = wizard.TakeImport();
        import->HandOver();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportWizard)->Unit(benchmark::kMillisecond)->Iterations(3);

// The write-back alone, of the file the import made.
void BM_WriteBackAfterImport(benchmark::State& state) {
    auto open = openFile();
    TImportWzd wizard;
    wizard.OpenFile = open.get();
    wizard.cmdNext->click();
    wizard.txtSource->setText(csvPath());
    for (int i = 0; i < 5; ++i)
        wizard.cmdNext->click();
    auto import = wizard.TakeImport();
    if (!import) {
        state.SkipWithError("the import did not finish");
        return;
    }
    import->HandOver();
    for (auto _ : state)
        open->Save(false);
}
BENCHMARK(BM_WriteBackAfterImport)->Unit(benchmark::kMillisecond)->Iterations(3);

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
