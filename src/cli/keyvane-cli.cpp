// keyvane-cli: a command-line front end on the password store, for scripts and for people at a terminal.
#include "AccountRules.h"
#include "CsvImport.h"
#include "QsExceptions.h"
#include "QsSecrets.h"
#include "QsVerInf.h"
#include "clsFile.h"
#include "uBreachList.h"
#include "uGenerator.h"
#include "uHealth.h"
#include "uOptions.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

const char kHelp[] = R"(Usage: keyvane-cli COMMAND FILE [ARGUMENTS]

Reads and changes Keyvane passwords files (.kvf). Every command asks the file password: without
echo when standard input is a terminal, otherwise as one line of standard input ("new" reads two).

Commands:
  ls FILE                 print the account names in file order, one per line
  show FILE NAME          print the nine fields of the account as "Caption: value" lines
      --field CAPTION     print only the value of that field (Account Name, Login, Password,
                          Email, Web, Notes, Protected, Created, Modified)
  new FILE                create an empty passwords file, protected by its password; FILE must
                          not exist. The password has 4 to 128 characters
      --unprotected       the form that Keyvane 1.3 and older read, under a fixed key: anyone
                          with a copy can read it. The password has 4 to 25 characters,
                          without ' or #
  protect FILE            protect a file of the older form by its password, in place (its
                          backup too)
  info FILE               print the file's form and its number of accounts
  add FILE NAME           add an account, created and modified today
      --login L           login name (at most 100 characters)
      --password P        password (at most 100 characters)
      --generate N        a random password of N characters instead of --password
      --email E           e-mail address
      --web W             web address
      --notes T           notes (at most 255 characters; line breaks allowed)
      --protected         ask the file password before the account is edited or deleted
  rm FILE NAME            delete the account
  analyze FILE            list the accounts whose passwords need attention, worst first: breached,
                          empty, weak (Poor under 40 bits, Weak under 75, as zxcvbn measures them),
                          reused, old (unchanged for longer than the preference, a year unless
                          changed); one "NAME<tab>problems" line each, after a line of counts
      --breaches LIST     also look each password up in a breach list on disk: the published
                          SHA-1 list ordered by hash ("HASH:COUNT" lines); nothing is sent anywhere
      --json              print one JSON object instead
  import FILE CSV         add the accounts of a CSV export of a browser or password manager
      --from SOURCE       the program that wrote it (chromium, firefox, safari, bitwarden,
                          keepassxc, 1password, lastpass, keyvane); found from the header otherwise
      --repeated CHOICE   for names the file repeats or the passwords file holds already:
                          keep-both (the default: the new one is named as Name (2)),
                          replace or skip
  --help                  show this text
  --version               show the version

A protected file is encrypted with a key derived from its password (Argon2id, XChaCha20-Poly1305):
without the password a copy gives away nothing but its size. Every command reads both forms and
writes a file back in its own form.

Account names compare without regard to the case of the letters a to z. No field but the notes may
hold a line break; the notes cannot hold ' or # (the file's line breaks of the notes). A file is
written only when the command succeeds, with the previous file kept as "Backup of <name>" when the
preference to back up files is on.

Changes are safe alongside Keyvane and other keyvane-cli commands: a change is made under an
exclusive lock (flock) on the file's folder, which Keyvane takes too while it writes, so two
commands at once never lose an account. If Keyvane has the same file open and then writes it back,
it first keeps the version changed here beside it as "<name> (changed elsewhere YYYY-MM-DD
HHMMSS).kvf" and says so; File > Merge... brings its accounts into the open file.

Exit status: 0 on success, 1 on an error (wrong password, damaged file, unknown account, refused
value), 2 on a usage error.
)";

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

struct TUsageError {
    QString message;
};

void out(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
}
void err(const QString& text) {
    std::fputs(text.toUtf8().constData(), stderr);
}

// ---- Password input -----------------------------------------------------------------------------

termios savedTerminal;
volatile std::sig_atomic_t echoOff = 0;

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

std::optional<QString> readLine() {
    std::string line;
    line.reserve(256); // a typed password stays in one buffer, which is wiped below
    int c;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n')
        line.push_back(char(c));
    if (c == EOF && line.empty())
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
    QsWipe(line);
    return text;
}

QString askPassword(const QString& prompt) {
    std::optional<QString> line;
    if (::isatty(STDIN_FILENO)) {
        // Echo goes off before the prompt shows, so that nothing typed in answer to it is echoed.
        termios quiet;
        if (::tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
            quiet = savedTerminal;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            echoOff = 1;
            ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
        }
        err(prompt);
        std::fflush(stderr);
        line = readLine();
        restoreTerminal();
        err(QStringLiteral("\n"));
    } else {
        line = readLine();
    }
    if (!line)
        throw EQsException(QStringLiteral("No password given."));
    return *line;
}

// ---- Arguments ----------------------------------------------------------------------------------

class TArguments {
public:
    TArguments(const QStringList& args, const QStringList& valueOptions, const QStringList& flags) {
        bool optionsEnd = false;
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString& a = args[i];
            if (optionsEnd || !a.startsWith(QLatin1String("--")) || a == QLatin1String("-")) {
                positional << a;
                continue;
            }
            if (a == QLatin1String("--")) {
                optionsEnd = true;
                continue;
            }
            QString name = a.mid(2);
            std::optional<QString> value;
            if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
                value = name.mid(eq + 1);
                name = name.left(eq);
            }
            if (flags.contains(name) && !value) {
                options[name] = QString();
            } else if (valueOptions.contains(name)) {
                if (!value) {
                    if (i + 1 >= args.size())
                        throw TUsageError{QStringLiteral("Option --%1 needs a value.").arg(name)};
                    value = args[++i];
                }
                if (options.count(name))
                    throw TUsageError{QStringLiteral("Option --%1 is given twice.").arg(name)};
                options[name] = *value;
            } else {
                throw TUsageError{QStringLiteral("Unknown option '%1'.").arg(a)};
            }
        }
    }
    void expectPositional(int count, const char* usage) const {
        if (positional.size() != count)
            throw TUsageError{QStringLiteral("Usage: keyvane-cli %1").arg(QLatin1String(usage))};
    }
    bool has(const QString& name) const { return options.count(name) != 0; }
    QString value(const QString& name) const {
        const auto it = options.find(name);
        return it == options.end() ? QString() : it->second;
    }

    QStringList positional;

private:
    std::map<QString, QString> options;
};

// ---- Commands -----------------------------------------------------------------------------------

// Opens the file with the password typed, which the store checks (a protected file's header before the
// password is asked). Gives the password typed, for a change to open the file again.
QString openFile(TKYVNFile& file, const QString& path) {
    file.FileName = QFileInfo(path).absoluteFilePath();
    const bool isProtected = file.Examine() == TKYVNFileForm::Protected;
    if (!isProtected)
        file.Load();
    QString typed = askPassword(QStringLiteral("Password for '%1': ").arg(QFileInfo(path).fileName()));
    if (isProtected ? !file.LoadWithPassword(typed) : !file.CheckPassword(typed)) {
        QsWipe(typed);
        throw EQsException(QStringLiteral("Wrong password."));
    }
    return typed;
}

// For a change: the file is read again under the folder lock, which is held until the change is
// written, so that no other writer's change can fall between this read and this write. The lock is not
// held while the password is typed.
void openForChange(TKYVNFile& file, const QString& path, std::optional<TKYVNFileLock>& lock) {
    QString typed = openFile(file, path);
    lock.emplace(file.FileName);
    file.ClearAccounts();
    const bool isProtected = file.Examine() == TKYVNFileForm::Protected;
    if (!isProtected)
        file.Load();
    // the key derived a moment ago serves again unless the file has another one now
    const bool same = isProtected ? file.LoadWithPassword(typed) : file.CheckPassword(typed);
    QsWipe(typed);
    if (!same)
        throw EQsException(QStringLiteral("Wrong password."));
    if (file.Damaged())
        throw EQsException(QStringLiteral("The file is damaged and is not changed."), file.DamageWarning());
}

TKYVNAccount* accountNamed(const TKYVNFile& file, const QString& name) {
    TKYVNAccount* account = file.FindAccount(name);
    if (!account)
        throw EQsException(QStringLiteral("There is no account named '%1'.").arg(name));
    return account;
}

QString fieldText(const TKYVNAccount& a, int field) {
    switch (field) {
    case kfCreated:
        return a.Created.toString(Qt::ISODate);
    case kfModified:
        return a.Modified.toString(Qt::ISODate);
    case kfNotes:
        return QString(a.Notes).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    default:
        return GetAccountField(a, KyvnFieldCaption(field));
    }
}

int cmdLs(const TArguments& args) {
    args.expectPositional(1, "ls FILE");
    TKYVNFile file;
    QString typed = openFile(file, args.positional[0]);
    QsWipe(typed);
    for (const TKYVNAccount* a : file.Accounts)
        out(a->AccountName + QLatin1Char('\n'));
    return 0;
}

int cmdShow(const TArguments& args) {
    args.expectPositional(2, "show FILE NAME [--field CAPTION]");
    int only = -1;
    if (args.has(QStringLiteral("field"))) {
        only = KyvnFieldOfCaption(args.value(QStringLiteral("field")));
        if (only < 0)
            throw TUsageError{QStringLiteral("Unknown field '%1'.").arg(args.value(QStringLiteral("field")))};
    }
    TKYVNFile file;
    QString typed = openFile(file, args.positional[0]);
    QsWipe(typed);
    const TKYVNAccount* account = accountNamed(file, args.positional[1]);
    if (only >= 0) {
        out(fieldText(*account, only) + QLatin1Char('\n'));
        return 0;
    }
    for (int f = 0; f < KyvnFieldCount; ++f)
        out(KyvnFieldCaption(f) + QStringLiteral(": ") + fieldText(*account, f) + QLatin1Char('\n'));
    return 0;
}

// The rules of the password dialog, so that every file made here opens in the program.
void checkNewPassword(const QString& password, const QString& verify, TKYVNFileForm form) {
    TKYVNFile::CheckNewPassword(password, form);
    if (!KyvnSameText(password, verify))
        throw EQsException(QStringLiteral("The passwords you entered do not match."));
}

int cmdNew(const TArguments& args) {
    args.expectPositional(1, "new FILE [--unprotected]");
    const TKYVNFileForm form =
        args.has(QStringLiteral("unprotected")) ? TKYVNFileForm::Designed : TKYVNFileForm::Protected;
    const QString path = QFileInfo(args.positional[0]).absoluteFilePath();
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        throw EQsException(QStringLiteral("File '%1' already exists.").arg(args.positional[0]));
    QString password = askPassword(QStringLiteral("New password: "));
    QString verify = askPassword(QStringLiteral("Verify: "));
    try {
        checkNewPassword(password, verify, form);
    } catch (...) {
        QsWipe(password);
        QsWipe(verify);
        throw;
    }
    QsWipe(verify);
    TKYVNFile file;
    file.FileName = path;
    file.Password = password;
    file.SetForm(form);
    QsWipe(password);
    TKYVNFileLock lock(path);
    // two commands making the same file at once: the second finds the first one's file
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        throw EQsException(QStringLiteral("File '%1' already exists.").arg(args.positional[0]));
    file.Save();
    return 0;
}

int cmdAdd(const TArguments& args) {
    args.expectPositional(2, "add FILE NAME [--login L] [--password P | --generate N] [--email E] [--web W] "
                             "[--notes T] [--protected]");
    if (args.has(QStringLiteral("password")) && args.has(QStringLiteral("generate")))
        throw TUsageError{QStringLiteral("Give either --password or --generate, not both.")};

    auto account = std::make_unique<TKYVNAccount>();
    account->AccountName = TrimField(args.positional[1]);
    account->Login = TrimField(args.value(QStringLiteral("login")));
    account->Password = TrimField(args.value(QStringLiteral("password")));
    account->Email = TrimField(args.value(QStringLiteral("email")));
    account->Web = TrimField(args.value(QStringLiteral("web")));
    // Notes keep their line breaks as CR LF, whatever the shell passed.
    account->Notes = NotesLineBreaks(TrimField(args.value(QStringLiteral("notes"))));
    account->Protected = args.has(QStringLiteral("protected"));
    account->Created = account->Modified = QDate::currentDate();
    if (args.has(QStringLiteral("generate"))) {
        bool ok = false;
        const int length = args.value(QStringLiteral("generate")).toInt(&ok);
        if (!ok || length < 1 || length > 100)
            throw TUsageError{QStringLiteral("--generate takes a length from 1 to 100.")};
        account->Password = GeneratePassword(length);
    }

    CheckAccountFields(*account);
    // The limits a person has when typing in the account editor; notes count a line break as CR LF.
    const QString* values[] = {&account->AccountName, &account->Login, &account->Password,
                               &account->Email,       &account->Web,   &account->Notes};
    for (int f = kfAccountName; f <= kfNotes; ++f)
        if (const int limit = FieldTypingLimit(f); limit > 0 && values[f]->size() > limit)
            throw EQsException(QStringLiteral("%1 is longer than %2 characters.").arg(KyvnFieldCaption(f)).arg(limit));

    TKYVNFile file;
    std::optional<TKYVNFileLock> lock;
    openForChange(file, args.positional[0], lock);
    if (AccountNameInUse(&file, account->AccountName))
        throw NameInUseError(account->AccountName);
    file.AddAccount(account.release());
    file.Save();
    return 0;
}

int cmdRm(const TArguments& args) {
    args.expectPositional(2, "rm FILE NAME");
    TKYVNFile file;
    std::optional<TKYVNFileLock> lock;
    openForChange(file, args.positional[0], lock);
    std::unique_ptr<TKYVNAccount> removed = file.TakeAccount(accountNamed(file, args.positional[1])->AccountName);
    file.Save();
    return 0;
}

int cmdImport(const TArguments& args) {
    args.expectPositional(2, "import FILE CSV [--from SOURCE] [--repeated keep-both|replace|skip]");
    TRepeatChoice choice = TRepeatChoice::KeepBoth;
    if (args.has(QStringLiteral("repeated")) && !RepeatChoiceFromText(args.value(QStringLiteral("repeated")), choice))
        throw TUsageError{QStringLiteral("--repeated takes keep-both, replace or skip.")};
    // The export is read and understood before the password is asked: a file that cannot be imported
    // costs nothing.
    TCsvTable table = ReadCsvFile(args.positional[1]);
    const TImportSource& source = PickImportSource(table, args.value(QStringLiteral("from")));
    TKYVNFile file;
    std::optional<TKYVNFileLock> lock;
    openForChange(file, args.positional[0], lock);
    const QString summary = ImportCsvRows(file, table, source, choice);
    file.Save();
    out(summary + QStringLiteral(".\n"));
    return 0;
}

int cmdProtect(const TArguments& args) {
    args.expectPositional(1, "protect FILE");
    TKYVNFile file;
    std::optional<TKYVNFileLock> lock;
    openForChange(file, args.positional[0], lock);
    if (file.IsProtected()) {
        out(QStringLiteral("'%1' is already protected.\n").arg(QFileInfo(file.FileName).fileName()));
        return 0;
    }
    file.SetForm(TKYVNFileForm::Protected);
    file.Save();
    return 0;
}

int cmdInfo(const TArguments& args) {
    args.expectPositional(1, "info FILE");
    TKYVNFile file;
    QString typed = openFile(file, args.positional[0]);
    QsWipe(typed);
    out(QStringLiteral("Form: %1\nAccounts: %2\n").arg(file.FormDescription()).arg(file.AccountCount()));
    return 0;
}

QJsonObject healthJson(const QString& path, const THealthReport& r) {
    QJsonArray entries;
    for (const THealthEntry& e : r.Entries) {
        QJsonArray problems;
        const std::pair<unsigned, const char*> names[] = {
            {hpBreached, "breached"}, {hpEmpty, "empty"}, {hpWeak, "weak"}, {hpReused, "reused"}, {hpOld, "old"}};
        for (const auto& [bit, name] : names)
            if (e.Problems & bit)
                problems.append(QLatin1String(name));
        QJsonObject entry{{"account", e.Account->AccountName},
                          {"problems", problems},
                          {"description", HealthProblemTexts(e).join(QStringLiteral("; "))}};
        if (!(e.Problems & hpEmpty)) {
            entry.insert("band", StrengthBandName(e.Strength.Band));
            entry.insert("bits", std::round(e.Strength.Bits * 100) / 100);
        }
        if (e.Problems & hpReused) {
            entry.insert("reuseGroup", e.ReuseGroup);
            entry.insert("reuseCount", e.ReuseCount);
        }
        if (e.Problems & hpOld)
            entry.insert("ageDays", e.AgeDays);
        if (e.Problems & hpBreached)
            entry.insert("breachCount", double(e.BreachCount));
        entries.append(entry);
    }
    QJsonObject counts{
        {"empty", r.Empty}, {"weak", r.Weak}, {"reused", r.Reused}, {"reuseGroups", r.ReuseGroups}, {"old", r.Old}};
    if (r.BreachesChecked)
        counts.insert("breached", r.Breached);
    return {{"file", path},
            {"accounts", r.Accounts},
            {"breachesChecked", r.BreachesChecked},
            {"counts", counts},
            {"entries", entries}};
}

int cmdAnalyze(const TArguments& args) {
    args.expectPositional(1, "analyze FILE [--breaches LIST] [--json]");
    // A list that cannot be searched is refused before the password is asked.
    TBreachList breaches;
    if (args.has(QStringLiteral("breaches")))
        breaches.Open(args.value(QStringLiteral("breaches")));
    TKYVNFile file;
    QString typed = openFile(file, args.positional[0]);
    QsWipe(typed);
    THealthOptions options;
    options.MaxAgeDays = Options ? Options->OldPasswordDays : TKYVNOptions().OldPasswordDays;
    options.Breaches = breaches.IsOpen() ? &breaches : nullptr;
    const THealthReport report = AnalyzeHealth(file.Accounts, options);
    if (args.has(QStringLiteral("json"))) {
        out(QString::fromUtf8(QJsonDocument(healthJson(file.FileName, report)).toJson(QJsonDocument::Indented)));
        return 0;
    }
    out(HealthCountsText(report) + QLatin1Char('\n'));
    for (const THealthEntry& e : report.Entries)
        out(e.Account->AccountName + QLatin1Char('\t') + HealthProblemTexts(e).join(QStringLiteral("; ")) +
            QLatin1Char('\n'));
    return 0;
}

struct TCommand {
    const char* name;
    int (*run)(const TArguments&);
    QStringList valueOptions;
    QStringList flags;
};

int run(const QStringList& argv) {
    const TCommand commands[] = {
        {"ls", cmdLs, {}, {}},
        {"show", cmdShow, {QStringLiteral("field")}, {}},
        {"new", cmdNew, {}, {QStringLiteral("unprotected")}},
        {"add",
         cmdAdd,
         {QStringLiteral("login"), QStringLiteral("password"), QStringLiteral("generate"), QStringLiteral("email"),
          QStringLiteral("web"), QStringLiteral("notes")},
         {QStringLiteral("protected")}},
        {"rm", cmdRm, {}, {}},
        {"import", cmdImport, {QStringLiteral("from"), QStringLiteral("repeated")}, {}},
        {"protect", cmdProtect, {}, {}},
        {"info", cmdInfo, {}, {}},
        {"analyze", cmdAnalyze, {QStringLiteral("breaches")}, {QStringLiteral("json")}},
    };
    if (argv.isEmpty())
        throw TUsageError{QStringLiteral("No command given. Try 'keyvane-cli --help'.")};
    if (argv == QStringList{QStringLiteral("--version")}) {
        out(QStringLiteral("keyvane-cli (Tessivo Keyvane) %1\n").arg(QsOwnVersionText()));
        return 0;
    }
    if (argv.contains(QStringLiteral("--help")) || argv[0] == QLatin1String("-h") || argv[0] == QLatin1String("help")) {
        out(QString::fromUtf8(kHelp));
        return 0;
    }
    for (const TCommand& c : commands)
        if (argv[0] == QLatin1String(c.name))
            return c.run(TArguments(argv.mid(1), c.valueOptions, c.flags));
    throw TUsageError{QStringLiteral("Unknown command '%1'. Try 'keyvane-cli --help'.").arg(argv[0])};
}

} // namespace

int main(int argc, char** argv) {
    // Before any password is read: no core file, no gcore, no other process of the user reading memory.
    QsProtectProcessMemory();
    QCoreApplication app(argc, argv);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        std::signal(sig, onSignal);
    // The preferences say whether a save keeps a backup.
    TKYVNOptions options;
    options.Load();
    Options = &options;
    int status = 0;
    try {
        status = run(app.arguments().mid(1));
    } catch (const TUsageError& e) {
        err(e.message + QLatin1Char('\n'));
        status = kExitUsage;
    } catch (const EQsException& e) {
        err(e.Message + QLatin1Char('\n'));
        if (!e.Details.isEmpty())
            err(e.Details + QLatin1Char('\n'));
        status = kExitError;
    } catch (const std::exception& e) {
        err(QString::fromUtf8(e.what()) + QLatin1Char('\n'));
        status = kExitError;
    }
    Options = nullptr;
    // Output that never arrived (a full disk, a closed pipe) is a failure, not a success.
    if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && status == 0) {
        err(QStringLiteral("Cannot write the output: %1\n").arg(QString::fromLocal8Bit(std::strerror(errno))));
        status = kExitError;
    }
    return status;
}
