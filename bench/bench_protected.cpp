// Speed of the protected passwords file: its key derivation beside libsodium's crypto_pwhash called
// directly (the same work; what Keyvane adds is measured), and opening and saving a 100,000-account
// file besides that derivation.
#include <benchmark/benchmark.h>

#include "FormProtected.h"
#include "clsFile.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sodium.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <memory>

namespace {

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

double seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// The shipped cost, both ways in turn in each iteration so that the machine's load falls on both alike.
// "keyvane_over_direct" is the ratio of the sums: the goal is under 1.05.
void BM_KeyDerivationBesideDirect(benchmark::State& state) {
    if (sodium_init() < 0)
        state.SkipWithError("libsodium does not start");
    const TKYVNProtectionCost shipped;
    TKYVNProtectedForm::SetCostOfNewKeys(shipped);
    TKYVNProtectedForm maker;
    const QByteArray file = maker.Seal(QByteArray("ZKYVN\r\n#Correct Horse 42\r\n"), "Correct Horse 42");
    const QByteArray salt = file.mid(20, 16);
    double keyvane = 0, direct = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        TKYVNProtectedForm opener;
        QByteArray plain = opener.Open(file, "Correct Horse 42");
        benchmark::DoNotOptimize(plain);
        keyvane += seconds(start);

        start = std::chrono::steady_clock::now();
        unsigned char key[32];
        const char pw[] = "Correct Horse 42";
        if (crypto_pwhash(key, sizeof key, pw, sizeof pw - 1, reinterpret_cast<const unsigned char*>(salt.constData()),
                          shipped.Passes, size_t(shipped.MemoryKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13) != 0)
            state.SkipWithError("crypto_pwhash failed");
        benchmark::DoNotOptimize(key);
        direct += seconds(start);
    }
    state.counters["keyvane_s"] = keyvane / double(state.iterations());
    state.counters["direct_s"] = direct / double(state.iterations());
    state.counters["keyvane_over_direct"] = keyvane / direct;
}
BENCHMARK(BM_KeyDerivationBesideDirect)->Unit(benchmark::kMillisecond)->Iterations(6);

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
                   QString::number(rng.bounded(10000));
        a->Created = QDate(2015, 1, 1).addDays(rng.bounded(3000));
        a->Modified = a->Created.addDays(rng.bounded(300));
        file.AddAccount(a);
    }
}

// A protected file at the shipped cost, made once.
QString protectedFile(int count) {
    const QString path = benchDir().filePath(QStringLiteral("protected-%1.kvf").arg(count));
    if (!QFileInfo::exists(path)) {
        TKYVNProtectedForm::SetCostOfNewKeys(TKYVNProtectionCost());
        TKYVNFile file;
        file.FileName = path;
        file.SetForm(TKYVNFileForm::Protected);
        fillFile(file, count);
        file.Save(false);
    }
    return path;
}

// Opening besides the key derivation: the key is derived once, then every load of the same file reads,
// verifies, decrypts and parses it with that key. The goal is under 60 ms at 100,000 accounts.
// "rss_after_first_MB" is what the first open (with its 256 MiB derivation) leaves resident.
void BM_ProtectedOpenBesidesDerivation(benchmark::State& state) {
    const QString path = protectedFile(int(state.range(0)));
    const long base = beginPeak();
    TKYVNFile file;
    file.FileName = path;
    if (!file.LoadWithPassword("Correct Horse 42"))
        state.SkipWithError("does not open");
    const long afterFirst = statusKb("VmRSS:") - base;
    long peakKb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        file.ClearAccounts();
        const long start = beginPeak();
        state.ResumeTiming();
        file.Load();
        state.PauseTiming();
        peakKb = std::max(peakKb, statusKb("VmHWM:") - start);
        if (file.AccountCount() != state.range(0))
            state.SkipWithError("wrong account count");
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
    state.counters["rss_after_first_MB"] = double(afterFirst) / 1024.0;
    state.counters["file_MB"] = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ProtectedOpenBesidesDerivation)->Arg(100000)->Unit(benchmark::kMillisecond);

// A save of an open protected file: no key derivation (the key is kept), a new nonce, the new file
// flushed, read back and checked, the backup kept, renamed over the old one. The goal is under 80 ms.
void BM_ProtectedSave(benchmark::State& state) {
    const QString path = protectedFile(int(state.range(0)));
    TKYVNFile file;
    file.FileName = benchDir().filePath(QStringLiteral("protected-save.kvf"));
    QFile::remove(file.FileName);
    QFile::copy(path, file.FileName);
    if (!file.LoadWithPassword("Correct Horse 42"))
        state.SkipWithError("does not open");
    const quint64 derived = TKYVNProtectedForm::Derivations();
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
    if (TKYVNProtectedForm::Derivations() != derived)
        state.SkipWithError("a save derived a key");
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
}
BENCHMARK(BM_ProtectedSave)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
