// Speed of the password store: the file cipher beside Botan's IDEA, and loading and saving files.
#include <benchmark/benchmark.h>

#include "FormDesigned.h"
#include "FormProtected.h"
#include "Ideaunit.h"
#include "clsFile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <sodium.h>
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

// Protected files in the benchmark derive their keys at a small cost: the derivation is the same
// libsodium call whatever its cost, and "beyond the derivation" is what is measured.
const TKYVNProtectionCost kBenchCost{1, 8192};

QString benchFile(int count, bool protect) {
    const QString path = benchDir().filePath(QStringLiteral("bench-%1%2.kvf").arg(count).arg(protect ? "p" : ""));
    if (!QFileInfo::exists(path)) {
        TKYVNFile file;
        file.FileName = path;
        fillFile(file, count);
        if (protect)
            file.SetForm(TKYVNFileForm::Protected);
        file.Save(false);
    }
    return path;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

double processCpu() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Wall and processor time of one step.
struct TTimed {
    double Wall = 0, Cpu = 0;
    template <typename F> void Add(F&& step) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu = processCpu();
        step();
        Cpu += processCpu() - cpu;
        Wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
};

// Each figure beside its goal and beside the raw decipher or decrypt of the same bytes in the same run:
// x_goal below 1 is met; x_raw is how many times the raw work the whole step took.
void report(benchmark::State& state, const TTimed& step, const TTimed& raw, double goal, double peakMb, double fileMb) {
    const double n = double(state.iterations());
    state.counters["ms"] = step.Wall / n * 1e3;
    state.counters["cpu_ms"] = step.Cpu / n * 1e3;
    state.counters["goal_ms"] = goal * 1e3;
    state.counters["x_goal"] = step.Wall / n / goal;
    state.counters["cpu_x_goal"] = step.Cpu / n / goal;
    state.counters["raw_ms"] = raw.Wall / n * 1e3;
    state.counters["x_raw"] = raw.Wall > 0 ? step.Wall / raw.Wall : 0;
    state.counters["file_MB"] = fileMb;
    if (peakMb >= 0) {
        state.counters["peak_MB"] = peakMb;
        state.counters["peak_x_file"] = peakMb / fileMb; // the goal: below 2.5
    }
}

// A load as the program makes it: read, decipher or decrypt, every line decoded, hashes of what was
// read. For a protected file the key derivation is timed apart (the same call with the file's cost) and
// taken off.
void BM_Load(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool protect = state.range(1) != 0;
    TKYVNProtectedForm::SetCostOfNewKeys(kBenchCost);
    const QString path = benchFile(count, protect);
    const QByteArray bytes = fileBytes(path);
    long peakKb = 0;
    TTimed load, raw;
    for (auto _ : state) {
        const long base = beginPeak();
        auto file = std::make_unique<TKYVNFile>();
        file->FileName = path;
        file->Password = QStringLiteral("Correct Horse 42");
        const auto start = std::chrono::steady_clock::now();
        load.Add([&] { file->Load(); });
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        peakKb = std::max(peakKb, statusKb("VmHWM:") - base);
        if (file->AccountCount() != count)
            state.SkipWithError("wrong account count");
        if (protect) {
            TTimed derive;
            unsigned char key[32];
            const QByteArray pw = QByteArrayLiteral("Correct Horse 42");
            derive.Add([&] {
                crypto_pwhash(key, sizeof key, pw.constData(), size_t(pw.size()),
                              reinterpret_cast<const unsigned char*>(bytes.constData()) + 20, kBenchCost.Passes,
                              size_t(kBenchCost.MemoryKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13);
            });
            load.Wall -= derive.Wall;
            load.Cpu -= derive.Cpu;
            TKYVNProtectedForm form;
            QByteArray plain = form.Open(bytes, file->Password); // derives: not timed
            sodium_memzero(plain.data(), size_t(plain.size()));
            raw.Add([&] {
                QByteArray again = form.Reopen(bytes);
                sodium_memzero(again.data(), size_t(again.size()));
            });
        } else {
            raw.Add([&] { benchmark::DoNotOptimize(KyvnDesignedForm::Open(bytes)); });
        }
        file.reset();
    }
    const double goal = count >= 1000000 ? (protect ? 0.7 : 0.6) : (protect ? 0.060 : 0.050);
    report(state, load, raw, goal, double(peakKb) / 1024.0, double(bytes.size()) / (1024.0 * 1024.0));
}
BENCHMARK(BM_Load)
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// A save as the program makes it: plain text, hashes, cipher, new file flushed to disk, read back and
// checked, backup kept, renamed over the old file. Beside it the raw encipher or encrypt of the same text.
void BM_Save(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool protect = state.range(1) != 0;
    TKYVNProtectedForm::SetCostOfNewKeys(kBenchCost);
    TKYVNFile file;
    file.FileName = benchDir().filePath(QStringLiteral("save-%1%2.kvf").arg(count).arg(protect ? "p" : ""));
    fillFile(file, count);
    if (protect)
        file.SetForm(TKYVNFileForm::Protected);
    file.Save(true); // the key is derived here, once
    long peakKb = 0;
    TTimed save, raw;
    for (auto _ : state) {
        const long base = beginPeak();
        const auto start = std::chrono::steady_clock::now();
        save.Add([&] { file.Save(true); });
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        peakKb = std::max(peakKb, statusKb("VmHWM:") - base);
        QByteArray plain = file.PlainText();
        if (protect) {
            TKYVNProtectedForm form;
            const QByteArray pw = file.Password.toUtf8();
            QByteArray opened = form.Open(fileBytes(file.FileName), file.Password); // derives: not timed
            sodium_memzero(opened.data(), size_t(opened.size()));
            raw.Add([&] { benchmark::DoNotOptimize(form.Seal(plain, file.Password)); });
        } else {
            raw.Add([&] { benchmark::DoNotOptimize(KyvnDesignedForm::Seal(plain)); });
        }
        sodium_memzero(plain.data(), size_t(plain.size()));
    }
    const double goal = count >= 1000000 ? 0.7 : 0.060;
    report(state, save, raw, goal, double(peakKb) / 1024.0,
           double(QFileInfo(file.FileName).size()) / (1024.0 * 1024.0));
}
BENCHMARK(BM_Save)
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

} // namespace

BENCHMARK_MAIN();
