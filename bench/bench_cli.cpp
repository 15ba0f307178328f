// keyvane-cli as a script runs it: `show --field Password` on a file of 100,000 accounts, each run a
// whole process (start, load, decipher, look-up, output, exit), timed by the wall clock.
#include <benchmark/benchmark.h>

#include "clsFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// A file of count accounts in either form (a protected one at the cost of new files).
struct TFixture {
    QTemporaryDir dir;
    std::string path;
    TFixture(int count, bool isProtected) {
        // the tool's preferences live in a folder of their own
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
        TKYVNFile file;
        file.FileName = dir.filePath("big.kvf");
        file.Password = QStringLiteral("Open Sesame");
        if (isProtected)
            file.SetForm(TKYVNFileForm::Protected);
        for (int i = 100000 - count; i < 100000; ++i) {
            auto* a = new TKYVNAccount;
            a->AccountName = QStringLiteral("Account %1").arg(i);
            a->Login = QStringLiteral("user%1@example.org").arg(i);
            a->Password = QStringLiteral("pw-%1-abcdefghij").arg(i);
            a->Web = QStringLiteral("https://site%1.example.org/login").arg(i);
            a->Notes = QStringLiteral("notes of account %1").arg(i);
            a->Created = a->Modified = QDate(2024, 1, 1);
            file.AddAccount(a);
        }
        file.Save(false);
        path = QFile::encodeName(file.FileName).toStdString();
    }
};

// Runs the tool with the password on standard input; returns its output.
std::string runCli(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0)
        std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv{const_cast<char*>(KEYVANE_CLI)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, KEYVANE_CLI, &actions, nullptr, argv.data(), environ) != 0)
        std::abort();
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    const char pw[] = "Open Sesame\n";
    if (::write(in[1], pw, sizeof pw - 1) != ssize_t(sizeof pw - 1))
        std::abort();
    ::close(in[1]);
    std::string output;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, size_t(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::abort();
    return output;
}

// Arguments: the number of accounts, and 1 for a protected file. The protected file with one account
// shows the cost of the key derivation and the start alone.
void BM_CliShowPassword(benchmark::State& state) {
    TFixture fixture(int(state.range(0)), state.range(1) != 0);
    state.SetLabel(state.range(1) ? "protected" : "designed form");
    const std::vector<std::string> args{"show", fixture.path, "Account 99999", "--field", "Password"};
    if (runCli(args) != "pw-99999-abcdefghij\n") {
        state.SkipWithError("wrong output");
        return;
    }
    // the processor time of the runs as well: the wall clock of a busy machine says little
    rusage before{}, after{};
    ::getrusage(RUSAGE_CHILDREN, &before);
    for (auto _ : state)
        benchmark::DoNotOptimize(runCli(args));
    ::getrusage(RUSAGE_CHILDREN, &after);
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    const double cpu = ms(after.ru_utime) + ms(after.ru_stime) - ms(before.ru_utime) - ms(before.ru_stime);
    state.counters["child_cpu_ms"] = cpu / double(state.iterations());
}
BENCHMARK(BM_CliShowPassword)
    ->Args({100000, 0})
    ->Args({1, 1})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
