// Speed of the password health: the analysis of 100,000 accounts (goal: under 5 s, progress reported
// as the window shows it), and the breach check of 100,000 accounts against a 2 GB list made here
// (goal: under 3 s), with the list's pages both cached and evicted from memory.
#include <benchmark/benchmark.h>

#include "clsAccount.h"
#include "uBreachList.h"
#include "uGenerator.h"
#include "uHealth.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Accounts = 100000;
constexpr qint64 ListBytes = 2LL << 30;

// 100,000 accounts as people have them: generated passwords, words with digits, a few reused, some old.
std::vector<std::unique_ptr<TKYVNAccount>>& accounts() {
    static std::vector<std::unique_ptr<TKYVNAccount>> list = [] {
        std::vector<std::unique_ptr<TKYVNAccount>> v;
        const char* words[] = {"summer", "dragon", "monkey", "Purple", "violin", "harbor", "Tiger", "coffee"};
        for (int i = 0; i < Accounts; ++i) {
            auto a = std::make_unique<TKYVNAccount>();
            a->AccountName = QStringLiteral("Account %1").arg(i);
            a->Login = QStringLiteral("user%1").arg(i % 5000);
            a->Email = QStringLiteral("user%1@mail.example").arg(i % 5000);
            a->Web = QStringLiteral("https://www.site%1.example/login").arg(i);
            switch (i % 4) {
            case 0:
                a->Password = GeneratePassword(20);
                break;
            case 1:
                a->Password = QString::fromLatin1(words[i % 8]) + QString::number(i % 3000);
                break;
            case 2:
                a->Password = QStringLiteral("shared-%1-Phrase!").arg(i % 700);
                break;
            default:
                a->Password = GeneratePassword(10 + i % 8);
                break;
            }
            a->Created = a->Modified = QDate(2026, 1, 1).addDays(-(i % 900));
            v.push_back(std::move(a));
        }
        return v;
    }();
    return list;
}

QList<TKYVNAccount*> accountList() {
    QList<TKYVNAccount*> list;
    for (auto& a : accounts())
        list << a.get();
    return list;
}

void BM_HealthAnalysis(benchmark::State& state) {
    const QList<TKYVNAccount*> list = accountList();
    THealthOptions options;
    options.Today = QDate(2026, 1, 1);
    int reports = 0;
    for (auto _ : state) {
        const THealthReport r = AnalyzeHealth(list, options, [&reports](int, int) {
            ++reports;
            return true;
        });
        benchmark::DoNotOptimize(r.Entries.size());
        state.counters["listed"] = double(r.Entries.size());
    }
    state.counters["progress_reports"] = double(reports) / double(state.iterations());
    state.SetLabel("goal: under 5 s");
}
BENCHMARK(BM_HealthAnalysis)->Unit(benchmark::kMillisecond)->Iterations(3);

// Writes a sorted "HASH:COUNT" list of about 2 GB, spread evenly over the hash space, with the hashes of
// every 100th account's password merged in at their places. Letter case alternates by line.
QString makeList(const QString& folder, int& planted) {
    std::vector<QByteArray> real;
    for (size_t i = 0; i < accounts().size(); i += 100)
        real.push_back(QCryptographicHash::hash(accounts()[i]->Password.toUtf8(), QCryptographicHash::Sha1));
    std::sort(real.begin(), real.end());
    real.erase(std::unique(real.begin(), real.end()), real.end());
    planted = int(real.size());

    const QString path = folder + QStringLiteral("/breaches.txt");
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        return {};
    std::vector<char> buffer(8 << 20);
    std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());
    constexpr qint64 LineBytes = 40 + 1 + 6 + 1;
    const quint64 lines = quint64(ListBytes / LineBytes);
    const quint64 step = ~quint64(0) / lines;
    const char* upper = "0123456789ABCDEF";
    const char* lower = "0123456789abcdef";
    size_t next = 0;
    char line[64];
    auto writeHash = [&](const unsigned char* bytes, quint64 n, bool small) {
        const char* digits = small ? lower : upper;
        for (int k = 0; k < 20; ++k) {
            line[2 * k] = digits[bytes[k] >> 4];
            line[2 * k + 1] = digits[bytes[k] & 15];
        }
        std::snprintf(line + 40, sizeof line - 40, ":%06llu\n", static_cast<unsigned long long>(n % 999999 + 1));
        std::fwrite(line, 1, LineBytes, out);
    };
    for (quint64 i = 0; i < lines; ++i) {
        unsigned char bytes[20];
        const quint64 top = i * step;
        for (int k = 0; k < 8; ++k)
            bytes[k] = static_cast<unsigned char>(top >> (56 - 8 * k));
        quint64 mix = i * 0x9E3779B97F4A7C15ull;
        for (int k = 8; k < 20; ++k, mix = mix * 6364136223846793005ull + 1442695040888963407ull)
            bytes[k] = static_cast<unsigned char>(mix >> 56);
        const QByteArray generated(reinterpret_cast<const char*>(bytes), 20);
        while (next < real.size() && real[next] < generated)
            writeHash(reinterpret_cast<const unsigned char*>(real[next++].constData()), 7, i % 2);
        writeHash(bytes, i, i % 2);
    }
    while (next < real.size())
        writeHash(reinterpret_cast<const unsigned char*>(real[next++].constData()), 7, false);
    const bool ok = std::fclose(out) == 0;
    return ok ? path : QString();
}

void evict(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        fdatasync(fd);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Arg 0: the list's pages are in memory (just written); 1: evicted before each run, as a list on disk is.
void BM_BreachCheck(benchmark::State& state) {
    QTemporaryDir folder;
    int planted = 0;
    const QString path = makeList(folder.path(), planted);
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the list");
        return;
    }
    const QList<TKYVNAccount*> list = accountList();
    int found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (state.range(0) == 1)
            evict(path);
        state.ResumeTiming();
        TBreachList breaches;
        breaches.Open(path);
        found = 0;
        for (const TKYVNAccount* a : list)
            found += breaches.CountOfPassword(a->Password) > 0 ? 1 : 0;
    }
    state.counters["list_GB"] = double(QFile(path).size()) / double(1 << 30);
    state.counters["breached"] = found;
    state.counters["planted"] = planted;
    state.SetLabel(state.range(0) ? "list evicted from memory; goal: under 3 s" : "list cached; goal: under 3 s");
    if (found < planted)
        state.SkipWithError("a planted hash was not found");
}
BENCHMARK(BM_BreachCheck)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
