// The table of commands and the help made from it.
#include "CliArguments.h"

#include <QStringList>

const std::vector<const TCliCommand*>& CliCommands() {
    static const std::vector<const TCliCommand*> commands{
        &CliLs,       &CliShow,   &CliSearch, &CliNew,    &CliAdd,    &CliEdit,    &CliMv,   &CliRm,     &CliClip,
        &CliGenerate, &CliExport, &CliMerge,  &CliImport, &CliPasswd, &CliProtect, &CliInfo, &CliAnalyze};
    return commands;
}

const TCliCommand* CliFindCommand(const QString& name) {
    for (const TCliCommand* c : CliCommands())
        if (name == QLatin1String(c->name))
            return c;
    return nullptr;
}

namespace {

// Words folded to lines of at most width characters, each line starting with indent blanks.
QString wrapped(const QString& text, int indent, int width = 100) {
    QString out, line;
    const QString pad(indent, QLatin1Char(' '));
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
            out += pad + line + QLatin1Char('\n');
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        out += pad + line + QLatin1Char('\n');
    return out;
}

QString optionLines(const std::vector<TCliOption>& options) {
    QString out;
    for (const TCliOption& o : options) {
        QString head = QStringLiteral("--") + QLatin1String(o.name);
        if (o.value)
            head += QLatin1Char(' ') + QLatin1String(o.value);
        out += QStringLiteral("      ") + head + QLatin1Char('\n') + wrapped(QString::fromUtf8(o.help), 10);
    }
    return out;
}

const char kPasswords[] =
    "Every command that opens a file asks its password: without echo when standard input is a terminal, "
    "otherwise as one line of standard input per question (\"new\" and \"passwd\" read the new one twice).";

const char kExitStatus[] = R"(Exit status:
  0  success
  1  an error (a refused value, a file that cannot be read or written, no password given)
  2  a usage error
  3  a wrong password
  4  no such account
  5  the file is refused: damaged (what could be read is still printed), not a passwords file,
     or changed so that it cannot be read
)";

const char kSafety[] =
    R"(Account names compare without regard to the case of the letters a to z. The notes may not hold ' or
#, and no field but the notes a line break. A file is written only when the command succeeds, with
the previous file kept as "Backup of <name>" when the preference to back up files is on.

Changes are safe alongside Keyvane and other keyvane-cli commands: a change is made under an
exclusive lock (flock) on the file's folder, which Keyvane takes too while it writes, so two
commands at once never lose an account. If Keyvane has the same file open and then writes it back,
it first keeps the version changed here beside it as "<name> (changed elsewhere YYYY-MM-DD
HHMMSS).kvf" and says so; File > Merge... brings its accounts into the open file.
)";

} // namespace

QString CliCommandHelp(const TCliCommand& c) {
    QString out = QStringLiteral("Usage: keyvane-cli %1\n\n").arg(QLatin1String(c.usage));
    out += wrapped(QString::fromUtf8(c.summary), 0) + QLatin1Char('\n');
    std::vector<TCliOption> options = c.options;
    if (c.minPositional > 0)
        options.push_back(CliPasswordFdOption);
    if (!options.empty())
        out += QStringLiteral("Options:\n") + optionLines(options) + QLatin1Char('\n');
    return out + QLatin1String(kExitStatus);
}

QString CliHelp() {
    QString out = QStringLiteral("Usage: keyvane-cli COMMAND FILE [ARGUMENTS]\n"
                                 "       keyvane-cli COMMAND --help\n\n"
                                 "Reads and changes Keyvane passwords files (.kvf).\n");
    out += wrapped(QLatin1String(kPasswords), 0) + QStringLiteral("\nCommands:\n");
    for (const TCliCommand* c : CliCommands()) {
        out += QStringLiteral("  ") + QLatin1String(c->usage) + QLatin1Char('\n') +
               wrapped(QString::fromUtf8(c->summary), 10);
    }
    out += QStringLiteral("  COMMAND --help\n          that command's options\n\nOptions of every command that "
                          "opens a file:\n") +
           optionLines({CliPasswordFdOption});
    out += QStringLiteral("\nA command line is visible to every user of the machine (ps, /proc): give an account's "
                          "password\nwith --ask, not --password, where others may look.\n\n");
    return out + QLatin1String(kSafety) + QLatin1Char('\n') + QLatin1String(kExitStatus);
}
