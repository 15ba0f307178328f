// Speed of the password store: the file cipher beside Botan's IDEA, and loading and saving files.
#include <benchmark/benchmark.h>

#include "Ideaunit.h"
#include "clsFile.h"

#include <QByteArray>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <vector>

#ifdef KEYVANE_HAVE_BOTAN
#include <botan/block_cipher.h>
#endif

namespace {

constexpr size_t cipherBytes = 64u << 20;

std::vector<quint8>& cipherData() {
    static std::vector<quint8> data = [] {
        std::vector<quint8> d(cipherBytes);
        QRandomGenerator rng(42);
        rng.fillRange(reinterpret_cast<quint32*>(d.data()), d.size() / 4);
        return d;
    }();
    return data;
}

// Enciphers and deciphers 64 MiB in place; the rate counts both passes.
void BM_IdeaEcb(benchmark::State& state) {
    const auto path = TIdeaPath(state.range(0));
    if (!IdeaPathAvailable(path)) {
        state.SkipWithError("instruction set not available");
        return;
    }
    state.SetLabel(IdeaPathName(path));
    auto& data = cipherData();
    TIDEA idea;
    idea.SetKey(QByteArray::fromHex("00010002000300040005000600070008"));
    idea.PrepareKey();
    for (auto _ : state) {
        IdeaCryptBlocks(idea.EncipherKeys, data.data(), data.data(), data.size() / 8, path);
        IdeaCryptBlocks(idea.DecipherKeys, data.data(), data.data(), data.size() / 8, path);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(2 * data.size()));
}
BENCHMARK(BM_IdeaEcb)
    ->Arg(int(TIdeaPath::Scalar))
    ->Arg(int(TIdeaPath::SSE2))
    ->Arg(int(TIdeaPath::AVX2))
    ->Arg(int(TIdeaPath::AVX512))
    ->Unit(benchmark::kMillisecond);

#ifdef KEYVANE_HAVE_BOTAN
void BM_BotanIdeaEcb(benchmark::State& state) {
    auto cipher = Botan::BlockCipher::create_or_throw("IDEA");
    const QByteArray key = QByteArray::fromHex("00010002000300040005000600070008");
    cipher->set_key(reinterpret_cast<const uint8_t*>(key.constData()), 16);
    state.SetLabel(cipher->provider());
    auto& data = cipherData();
    for (auto _ : state) {
        cipher->encrypt_n(data.data(), data.data(), data.size() / 8);
        cipher->decrypt_n(data.data(), data.data(), data.size() / 8);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(2 * data.size()));
}
BENCHMARK(BM_BotanIdeaEcb)->Unit(benchmark::kMillisecond);

// Both ciphers on the same 64 MiB in each iteration, so that the ratio compares like with like on a
// busy machine: ratio = this program's rate (widest path) / Botan's rate.
void BM_IdeaVsBotan(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    auto cipher = Botan::BlockCipher::create_or_throw("IDEA");
    const QByteArray key = QByteArray::fromHex("00010002000300040005000600070008");
    cipher->set_key(reinterpret_cast<const uint8_t*>(key.constData()), 16);
    TIDEA idea;
    idea.SetKey(key);
    idea.PrepareKey();
    auto& data = cipherData();
    const size_t blocks = data.size() / 8;
    double ours = 0, botan = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        IdeaCryptBlocks(idea.EncipherKeys, data.data(), data.data(), blocks);
        IdeaCryptBlocks(idea.DecipherKeys, data.data(), data.data(), blocks);
        const auto t1 = Clock::now();
        cipher->encrypt_n(data.data(), data.data(), blocks);
        cipher->decrypt_n(data.data(), data.data(), blocks);
        const auto t2 = Clock::now();
        ours += std::chrono::duration<double>(t1 - t0).count();
        botan += std::chrono::duration<double>(t2 - t1).count();
        benchmark::ClobberMemory();
    }
    const double bytes = double(state.iterations()) * 2.0 * double(data.size()) / 1e6;
    state.counters["keyvane_MBps"] = bytes / ours;
    state.counters["botan_MBps"] = bytes / botan;
    state.counters["ratio"] = botan / ours;
    state.SetLabel(IdeaPathName(IdeaBestPath()));
}
BENCHMARK(BM_IdeaVsBotan)->Unit(benchmark::kMillisecond)->MinTime(3);
#endif

// ---- Loading and saving ------------------------------------------------------------------------

// Resident memory in kB from /proc/self/status: the current size and the peak since the last reset.
long statusKb(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    long value = 0;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0)
            value = std::atol(line + n + 1);
    std::fclose(f);
    return value;
}

// Starts a peak measurement: gives memory back to the system and resets the peak to the current size.
long beginPeak() {
    malloc_trim(0);
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
    return statusKb("VmRSS:");
}

QTemporaryDir& benchDir() {
    static QTemporaryDir dir;
    return dir;
}

// Accounts with the field lengths of a real file: names, logins, 12 to 20 character passwords,
// addresses, and notes of two or three lines.
void fillFile(TKYVNFile& file, int count) {
    QRandomGenerator rng(7);
    auto word = [&](int min, int max) {
        QString w;
        const int n = min + int(rng.bounded(max - min + 1));
        for (int i = 0; i < n; ++i)
            w += QChar(char16_t('a' + rng.bounded(26)));
        return w;
    };
    file.Password = QStringLiteral("Correct Horse 42");
    for (int i = 0; i < count; ++i) {
        auto* a = new TKYVNAccount;
        a->AccountName = word(4, 14) + QStringLiteral(" ") + word(3, 10) + QString::number(i);
        a->Login = word(5, 12) + QStringLiteral(".") + word(3, 8);
        a->Password = word(12, 20);
        a->Email = a->Login + QStringLiteral("@") + word(4, 10) + QStringLiteral(".com");
        a->Web = QStringLiteral("https://www.") + word(4, 12) + QStringLiteral(".com/login");
        a->Notes = QStringLiteral("Security question: ") + word(5, 12) + QStringLiteral("\r\nPIN ") +
                   QString::number(rng.bounded(10000)) +
                   (i % 3 ? QStringLiteral("\r\nRenew in ") + word(4, 9) : QString());
        a->Protected = i % 5 == 0;
        a->Created = QDate(2015, 1, 1).addDays(rng.bounded(3000));
        a->Modified = a->Created.addDays(rng.bounded(300));
        file.AddAccount(a);
    }
}

QString benchFile(int count) {
    const QString path = benchDir().filePath(QStringLiteral("bench-%1.kvf").arg(count));
    if (!QFileInfo::exists(path)) {
        TKYVNFile file;
        file.FileName = path;
        fillFile(file, count);
        file.Save(false);
    }
    return path;
}

void BM_Load(benchmark::State& state) {
    const QString path = benchFile(int(state.range(0)));
    long peakKb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const long base = beginPeak();
        auto file = std::make_unique<TKYVNFile>();
        file->FileName = path;
        state.ResumeTiming();
        file->Load();
        state.PauseTiming();
        peakKb = std::max(peakKb, statusKb("VmHWM:") - base);
        if (file->AccountCount() != state.range(0))
            state.SkipWithError("wrong account count");
        file.reset();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
    state.counters["file_MB"] = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A save as the program makes it: plain text, cipher, new file flushed to disk, read back and
// checked, backup kept, renamed over the old file.
void BM_Save(benchmark::State& state) {
    TKYVNFile file;
    file.FileName = benchDir().filePath(QStringLiteral("save-%1.kvf").arg(state.range(0)));
    fillFile(file, int(state.range(0)));
    file.Save(true);
    long peakKb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const long base = beginPeak();
        state.ResumeTiming();
        file.Save(true);
        state.PauseTiming();
        peakKb = std::max(peakKb, statusKb("VmHWM:") - base);
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
    state.counters["file_MB"] = double(QFileInfo(file.FileName).size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Save)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
