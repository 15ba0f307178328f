#include "CliTerminal.h"

#include "CliCommand.h"
#include "QsSecrets.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

termios savedTerminal;
volatile std::sig_atomic_t echoOff = 0;
FILE* passwordSource = nullptr; // standard input unless --password-fd names another descriptor

void restoreTerminal() {
    if (echoOff) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        echoOff = 0;
    }
}

void onSignal(int sig) {
    restoreTerminal();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

std::optional<QString> readLine(FILE* in) {
    std::string line;
    line.reserve(256); // a typed password stays in one buffer, which is wiped below
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n')
        line.push_back(char(c));
    if (c == EOF && line.empty())
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
    QsWipe(line);
    return text;
}

[[noreturn]] void writeFailed(int error) {
    throw ECliFailure(kExitError,
                      QStringLiteral("Cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
}

} // namespace

bool CliCheckStandardStreams() {
    bool open[3];
    for (int fd = 0; fd < 3; ++fd)
        open[fd] = ::fcntl(fd, F_GETFD) != -1;
    for (int fd = 0; fd < 3; ++fd) {
        if (open[fd])
            continue;
        // the number is taken, so that no file opened later lands on it
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    if (!open[1] && open[2])
        std::fputs("Cannot write the output: standard output is closed.\n", stderr);
    return open[1] && open[2];
}

void CliInstallSignalHandlers() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        std::signal(sig, onSignal);
}

void CliSetPasswordFd(int fd) {
    if (passwordSource && passwordSource != stdin)
        return;
    passwordSource = ::fcntl(fd, F_GETFD) == -1 ? nullptr : ::fdopen(fd, "r");
    if (!passwordSource)
        throw CliUsageError(
            QStringLiteral("--password-fd %1: %2").arg(fd).arg(QString::fromLocal8Bit(std::strerror(EBADF))));
}

bool CliInteractive() {
    return ::isatty(STDIN_FILENO) == 1;
}

QString CliAskPassword(const QString& prompt) {
    std::optional<QString> line;
    if (!passwordSource && CliInteractive()) {
        // Echo goes off before the prompt shows, so that nothing typed in answer to it is echoed.
        if (::tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
            termios quiet = savedTerminal;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            echoOff = 1;
            ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
        }
        CliErr(prompt);
        line = readLine(stdin);
        restoreTerminal();
        CliErr(QStringLiteral("\n"));
    } else {
        line = readLine(passwordSource ? passwordSource : stdin);
    }
    if (!line)
        throw ECliFailure(kExitError, QStringLiteral("No password given."));
    return *line;
}

bool CliConfirm(const QString& question) {
    if (!CliInteractive())
        return true;
    CliErr(question + QStringLiteral(" [y/N] "));
    const std::optional<QString> answer = readLine(stdin);
    return answer && (answer->trimmed().compare(QLatin1String("y"), Qt::CaseInsensitive) == 0 ||
                      answer->trimmed().compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0);
}

void CliOutBytes(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        writeFailed(errno);
}

void CliOut(const QString& text) {
    CliOutBytes(text.toUtf8());
}

void CliFlushOut() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        writeFailed(errno ? errno : EIO);
}

void CliErr(const QString& text) {
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}
