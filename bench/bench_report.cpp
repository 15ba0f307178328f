// Speed of the accounts report with 10,000 accounts, full layout, portrait, on the offscreen platform:
// printed to a PDF file, and the preview window from the command until its first page is on screen.
// The process's peak resident memory is reported with each run.
#include <benchmark/benchmark.h>

#include "QrPrinter.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "clsAccount.h"
#include "frmReport.h"

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <chrono>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

struct TBenchAccounts {
    std::vector<std::unique_ptr<TKYVNAccount>> Records;
    QList<const TKYVNAccount*> List;
};

const TBenchAccounts& accounts(int count) {
    static std::map<int, TBenchAccounts> made;
    TBenchAccounts& set = made[count];
    if (!set.List.isEmpty())
        return set;
    QRandomGenerator rng(11);
    for (int i = 0; i < count; ++i) {
        auto a = std::make_unique<TKYVNAccount>();
        a->AccountName = QStringLiteral("Account %1 of the bench").arg(i);
        a->Login = QStringLiteral("user%1").arg(rng.bounded(100000));
        a->Password = QStringLiteral("pw-%1-%2").arg(i).arg(rng.bounded(1000000));
        a->Email = QStringLiteral("u%1@example.org").arg(rng.bounded(100000));
        a->Web = QStringLiteral("https://www.site%1.example.com/login").arg(i % 997);
        // every fourth account has a note that wraps over two lines
        if (i % 4 == 0)
            a->Notes = QStringLiteral("A note of some length that says what this account is for, ").repeated(3);
        a->Protected = i % 3 == 0;
        a->Created = QDate(2000, 1, 1).addDays(rng.bounded(9000));
        a->Modified = a->Created.addDays(rng.bounded(300));
        set.List.append(a.get());
        set.Records.push_back(std::move(a));
    }
    return set;
}

double peakMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

QTemporaryDir& benchDir() {
    static QTemporaryDir dir;
    return dir;
}

void BM_ReportToPdf(benchmark::State& state) {
    const auto& set = accounts(int(state.range(0)));
    TReportForm& form = ReportFormInstance();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = benchDir().filePath(QStringLiteral("bench.pdf"));
    int pages = 0;
    for (auto _ : state) {
        form.PrepareReport(set.List, QStringLiteral("/home/user/bench.kvf"));
        pages = QrPrintToFile(form.QRPortraitComplete, form.ReportData, printer, pdf);
    }
    state.counters["pages"] = pages;
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_PreviewOpens(benchmark::State& state) {
    const auto& set = accounts(int(state.range(0)));
    TReportForm& form = ReportFormInstance();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    int pages = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto shown = start;
        QsAnswers::PushHandler(QStringLiteral("PrintPreview"), [&](QObject* d) {
            auto* dlg = static_cast<QPrintPreviewDialog*>(d);
            dlg->show();
            auto* preview = dlg->findChild<QPrintPreviewWidget*>();
            while (preview->pageCount() == 0)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            dlg->repaint();
            shown = std::chrono::steady_clock::now();
            pages = preview->pageCount();
            dlg->close();
            return QVariant(0);
        });
        form.PrintPortrait(true, false, QStringLiteral("/home/user/bench.kvf"), set.List, printer);
        state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
    }
    state.counters["pages"] = pages;
    state.counters["peak_MB"] = peakMegabytes();
}

} // namespace

BENCHMARK(BM_ReportToPdf)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PreviewOpens)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppInfo = new TQsApplication;
    AppInfo->LegalNotice = QStringLiteral("Copyright \u00A9 2026 Tessivo. All rights reserved.");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReleaseReportForm();
    return 0;
}
