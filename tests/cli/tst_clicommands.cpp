// Every command of keyvane-cli run as a script runs it: exit statuses, what the file holds afterwards,
// and the output read back by independent readers (Python's json and csv).
#include "KyvnTest.h"

#include "clsFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using KyvnTest::readAll;
using KyvnTest::writeAll;

namespace {

const QByteArray kPw = "Open Sesame\n";

struct TRun {
    int status;
    QByteArray out;
    QString err;
};

TRun run(const QString& program, const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

TRun cli(const QStringList& args, const QByteArray& input = kPw) {
    return run(QStringLiteral(KEYVANE_CLI), args, input);
}

// A shell line, with $CLI the tool.
TRun sh(const QString& script, const QByteArray& input = QByteArray()) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CLI"), QStringLiteral(KEYVANE_CLI));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

// What Python's own reader makes of the bytes, written back as compact JSON.
QJsonDocument python(const char* program, const QByteArray& input) {
    const TRun r = run(QStringLiteral("python3"), {QStringLiteral("-c"), QLatin1String(program)}, input);
    if (r.status != 0)
        qWarning() << r.err;
    return QJsonDocument::fromJson(r.out);
}

const char kJsonReader[] = "import json,sys; print(json.dumps(json.load(sys.stdin)))";
const char kCsvReader[] =
    "import csv,io,json,sys; print(json.dumps(list(csv.reader(io.TextIOWrapper(sys.stdin.buffer, encoding='utf-8', "
    "newline='')))))";

struct TLoaded {
    QString password;
    QStringList names;
};

TLoaded load(const QString& path) {
    TKYVNFile f;
    f.FileName = path;
    f.Load();
    TLoaded l{f.Password, {}};
    for (const TKYVNAccount* a : f.Accounts)
        l.names << a->AccountName;
    return l;
}

} // namespace

class TestCliCommands : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString file, other;
    QByteArray pristine, otherBytes;
    const QString today = QDate::currentDate().toString(Qt::ISODate);

    TKYVNAccount accountOf(const QString& path, const QString& name) {
        TKYVNFile f;
        f.FileName = path;
        f.Load();
        const TKYVNAccount* a = f.FindAccount(name);
        return a ? *a : TKYVNAccount();
    }

private slots:
    void initTestCase() {
        file = dir.filePath("safe.kvf");
        other = dir.filePath("other.kvf");
        QCOMPARE(cli({"new", file, "--unprotected"}, "Open Sesame\nOpen Sesame\n").status, 0);
        QCOMPARE(cli({"add", file, "Bank", "--login", "me", "--password", "s3cret", "--email", "me@bank.example",
                      "--web", "https://bank.example", "--notes", "first \"line\"\nsecond, line", "--protected"})
                     .status,
                 0);
        QCOMPARE(cli({"add", file, "Café ☕", "--login", "bärbel", "--generate", "16"}).status, 0);
        pristine = readAll(file);
        QCOMPARE(cli({"new", other, "--unprotected"}, "Other\nOther\n").status, 0);
        QCOMPARE(cli({"add", other, "BANK", "--login", "them", "--password", "other"}, "Other\n").status, 0);
        QCOMPARE(cli({"add", other, "Shop", "--login", "buyer"}, "Other\n").status, 0);
        otherBytes = readAll(other);
    }

    void init() {
        writeAll(file, pristine);
        writeAll(other, otherBytes);
        QFile::remove(dir.filePath("out.csv"));
    }

    // Each command's success and failure paths: the exit status, the message, and the accounts of the
    // file afterwards (a failure leaves the file byte for byte as it was).
    void commands_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");       // exact standard output, unless "*"
        QTest::addColumn<QString>("message");   // standard error, trimmed
        QTest::addColumn<QStringList>("names"); // after the run; empty: the file unchanged
        const QString f = dir.filePath("safe.kvf"), o = dir.filePath("other.kvf");
        const QString t = QDate::currentDate().toString(Qt::ISODate);
        const QStringList same;
        auto row = [&](const char* name, const QStringList& args, const QByteArray& input, int status,
                       const QString& out, const QString& message, const QStringList& names) {
            QTest::newRow(name) << args << input << status << out << message << names;
        };
        row("ls", {"ls", f}, kPw, 0, "Bank\nCafé ☕\n", "", same);
        row("ls long", {"ls", f, "--long"}, kPw, 0,
            QString("Bank\tme\thttps://bank.example\t%1\t%1\nCafé ☕\tbärbel\t\t%1\t%1\n").arg(t), "", same);
        row("ls wrong password", {"ls", f}, "open sesame?\n", 3, "", "Wrong password.", same);
        row("ls no password", {"ls", f}, "", 1, "", "No password given.", same);
        row("ls no file", {"ls"}, kPw, 2, "", "Usage: keyvane-cli ls FILE [--long] [--json]", same);
        row("show fields", {"show", f, "bank", "--field", "login", "--field", "Web"}, kPw, 0,
            "me\nhttps://bank.example\n", "", same);
        row("show unknown field", {"show", f, "Bank", "--field", "Colour"}, kPw, 2, "", "Unknown field 'Colour'.",
            same);
        row("show no account", {"show", f, "Nope"}, kPw, 4, "", "There is no account named 'Nope'.", same);
        row("search name and web", {"search", f, "BANK.ex"}, kPw, 0, "Bank\n", "", same);
        row("search accented login", {"search", f, "BÄR"}, kPw, 0, "Café ☕\n", "", same);
        row("search skips the password", {"search", f, "s3cret"}, kPw, 4, "", "No account holds 's3cret'.", same);
        row("search the password when named", {"search", f, "S3CRET", "--field", "password"}, kPw, 0, "Bank\n", "",
            same);
        row("search notes", {"search", f, "second, LINE"}, kPw, 0, "Bank\n", "", same);
        row("add", {"add", f, "New"}, kPw, 0, "", "", {"Bank", "Café ☕", "New"});
        row("add ask and password", {"add", f, "New", "--ask", "--password", "p"}, kPw, 2, "",
            "Give only one of --password, --ask.", same);
        row("add refused value", {"add", f, "New", "--notes", "a#b"}, kPw, 1, "", "Notes cannot hold ' or #.", same);
        row("edit moves to the end", {"edit", f, "bank", "--login", "you"}, kPw, 0, "", "", {"Café ☕", "Bank"});
        row("edit no account", {"edit", f, "Nope", "--login", "x"}, kPw, 4, "", "There is no account named 'Nope'.",
            same);
        row("edit both marks", {"edit", f, "Bank", "--protected", "--unprotected"}, kPw, 2, "",
            "Give only one of --protected, --unprotected.", same);
        row("edit refused value", {"edit", f, "Bank", "--notes", QString(256, 'n')}, kPw, 1, "",
            "Notes is longer than 255 characters.", same);
        row("edit wrong password", {"edit", f, "Bank", "--login", "x"}, "x\n", 3, "", "Wrong password.", same);
        row("mv", {"mv", f, "bank", "Savings"}, kPw, 0, "", "", {"Savings", "Café ☕"});
        row("mv letter case of itself", {"mv", f, "Bank", "BANK"}, kPw, 0, "", "", {"BANK", "Café ☕"});
        row("mv onto another, a to z folded", {"mv", f, "Bank", "café ☕"}, kPw, 1, "",
            "There is already an account named 'café ☕'.\nPlease provide a different name for this account.", same);
        row("mv accented letters differ", {"mv", f, "Bank", "CAFÉ ☕"}, kPw, 0, "", "", {"CAFÉ ☕", "Café ☕"});
        row("mv name in use", {"mv", f, "Café ☕", "bank"}, kPw, 1, "",
            "There is already an account named 'bank'.\nPlease provide a different name for this account.", same);
        row("mv no account", {"mv", f, "Nope", "X"}, kPw, 4, "", "There is no account named 'Nope'.", same);
        row("mv refused name", {"mv", f, "Bank", "a\nb"}, kPw, 1, "",
            "Account Name cannot hold a line break or a NUL character.", same);
        row("rm", {"rm", f, "BANK", "--yes"}, kPw, 0, "", "", {"Café ☕"});
        row("rm without question off a terminal", {"rm", f, "bank"}, kPw, 0, "", "", {"Café ☕"});
        row("rm no account", {"rm", f, "Nope", "--yes"}, kPw, 4, "", "There is no account named 'Nope'.", same);
        row("generate too long", {"generate", "--length", "101"}, "", 2, "", "--length takes a number from 1 to 100.",
            same);
        row("generate with a file", {"generate", f}, "", 2, "", "Usage: keyvane-cli generate [--length N] [--count K]",
            same);
        row("export over the passwords file", {"export", f, "--output", f}, kPw, 1, "",
            "An export cannot replace the passwords file itself.", same);
        row("export into a missing folder", {"export", f, "--output", dir.filePath("none/out.csv")}, kPw, 1, "",
            QString("Error saving file '%1'.\nFile not found").arg(dir.filePath("none/out.csv")), same);
        row("merge", {"merge", f, o}, "Open Sesame\nOther\n", 0, "", "Accounts added: 1, replaced: 0.",
            {"Bank", "Café ☕", "Shop"});
        row("merge take", {"merge", f, o, "--take", "bank"}, "Open Sesame\nOther\n", 0, "",
            "Accounts added: 1, replaced: 1.", {"BANK", "Café ☕", "Shop"});
        row("merge take missing", {"merge", f, o, "--take", "Shop"}, "Open Sesame\nOther\n", 4, "",
            "There is no account named 'Shop' in both files.", same);
        row("merge wrong second password", {"merge", f, o}, "Open Sesame\nOpen Sesame\n", 3, "",
            "Wrong password for 'other.kvf'.", same);
        row("merge take and take all", {"merge", f, o, "--take", "x", "--take-all"}, kPw, 2, "",
            "Give only one of --take, --take-all.", same);
        row("passwd mismatch", {"passwd", f}, "Open Sesame\nabcd\nabce\n", 1, "",
            "The passwords you entered do not match.", same);
        row("passwd wrong current", {"passwd", f}, "abcd\nabcd\nabcd\n", 3, "", "Wrong password.", same);
        row("unknown command", {"cp", f}, kPw, 2, "", "Unknown command 'cp'. Try 'keyvane-cli --help'.", same);
        row("unknown option", {"ls", f, "--all"}, kPw, 2, "", "Unknown option '--all'.", same);
        row("flag with a value", {"rm", f, "Bank", "--yes=no"}, kPw, 2, "", "Option --yes takes no value.", same);
    }
    void commands() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, message);
        QFETCH(QStringList, names);
        const TRun r = cli(args, input);
        QCOMPARE(r.status, status);
        if (out != "*")
            QCOMPARE(QString::fromUtf8(r.out), out);
        // the password prompt goes to standard error only at a terminal
        if (!message.isEmpty() || status == 0)
            QCOMPARE(r.err.trimmed(), message);
        if (names.isEmpty())
            QCOMPARE(readAll(file), pristine);
        else
            QCOMPARE(load(file).names, names);
    }

    void changesTakeEffect() {
        QCOMPARE(cli({"edit", file, "Bank", "--web", "https://new.example", "--unprotected"}).status, 0);
        TKYVNAccount a = accountOf(file, "Bank");
        QCOMPARE(a.Web, QString("https://new.example"));
        QCOMPARE(a.Login, QString("me")); // not given: kept
        QCOMPARE(a.Password, QString("s3cret"));
        QVERIFY(!a.Protected);
        QCOMPARE(a.Modified, QDate::currentDate());

        // the account's password asked after the file password, never on the command line
        QCOMPARE(cli({"edit", file, "Bank", "--ask"}, "Open Sesame\n  pass phrase  \n").status, 0);
        QCOMPARE(accountOf(file, "Bank").Password, QString("pass phrase"));
        QCOMPARE(cli({"add", file, "Asked", "--ask"}, "Open Sesame\nhunter2\n").status, 0);
        QCOMPARE(accountOf(file, "Asked").Password, QString("hunter2"));

        QCOMPARE(cli({"merge", file, other, "--take-all"}, "Open Sesame\nOther\n").status, 0);
        QCOMPARE(accountOf(file, "Bank").Login, QString("them"));
        QCOMPARE(accountOf(file, "Shop").Login, QString("buyer"));

        QCOMPARE(cli({"passwd", file}, "Open Sesame\nnew words\nNEW WORDS\n").status, 0);
        QCOMPARE(load(file).password, QString("new words"));
        QCOMPARE(cli({"ls", file}, "Open Sesame\n").status, 3);
        QCOMPARE(cli({"ls", file}, "new words\n").status, 0);
    }

    void jsonReadsBackInPython() {
        const TRun shown = cli({"show", file, "Bank", "--json"});
        QCOMPARE(shown.status, 0);
        const QJsonObject o = python(kJsonReader, shown.out).object();
        QCOMPARE(o.value("name").toString(), QString("Bank"));
        QCOMPARE(o.value("password").toString(), QString("s3cret"));
        QCOMPARE(o.value("notes").toString(), QString("first \"line\"\nsecond, line"));
        QCOMPARE(o.value("protected").toBool(), true);
        QCOMPARE(o.value("created").toString(), today);
        QCOMPARE(o.size(), 9);

        const TRun only = cli({"show", file, "Café ☕", "--json", "--field", "Login"});
        QCOMPARE(python(kJsonReader, only.out).object(), QJsonObject({{"login", "bärbel"}}));

        const QJsonArray names = python(kJsonReader, cli({"ls", file, "--json"}).out).array();
        QCOMPARE(names, QJsonArray({"Bank", "Café ☕"}));
        const QJsonArray rows = python(kJsonReader, cli({"ls", file, "--long", "--json"}).out).array();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].toObject().value("login").toString(), QString("bärbel"));
        QVERIFY(!rows[0].toObject().contains("password"));

        const TRun found = cli({"search", file, "nothing here", "--json"});
        QCOMPARE(found.status, 4);
        QCOMPARE(python(kJsonReader, found.out).array(), QJsonArray());
    }

    void exportReadsBackInPythonCsv() {
        const TRun toStdout = cli({"export", file});
        QCOMPARE(toStdout.status, 0);
        const QJsonArray rows = python(kCsvReader, toStdout.out).array();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].toArray().first().toString(), QString("Account Name"));
        QCOMPARE(rows[1].toArray()[2].toString(), QString("s3cret"));
        QCOMPARE(rows[1].toArray()[5].toString(), QString("first \"line\"\r\nsecond, line"));
        QCOMPARE(rows[2].toArray()[0].toString(), QString("Café ☕"));

        const QString out = dir.filePath("out.csv");
        QCOMPARE(cli({"export", file, "--output", out, "--field", "web", "--field", "Account Name"}).status, 0);
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(out).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        const QJsonArray chosen = python(kCsvReader, readAll(out)).array();
        QCOMPARE(chosen[0].toArray(), QJsonArray({"Web", "Account Name"}));
        QCOMPARE(chosen[1].toArray(), QJsonArray({"https://bank.example", "Bank"}));
    }

    void generateDrawsFromTheEditorsRange() {
        const TRun r = cli({"generate", "--length", "30", "--count", "4"}, "");
        QCOMPARE(r.status, 0);
        const QStringList lines = QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        for (const QString& line : lines) {
            QCOMPARE(line.size(), 30);
            for (QChar c : line)
                QVERIFY(c >= '(' && c <= '|' && c != '\'' && c != '#');
        }
        QVERIFY(lines[0] != lines[1]);
    }

    // What could be read is printed, the damage is reported, and the status says the file is refused.
    void damagedFileIsReportedAndNeverChanged() {
        writeAll(file, pristine + "garbage");
        const QByteArray damaged = readAll(file);
        const TRun listed = cli({"ls", file});
        QCOMPARE(listed.status, 5);
        QVERIFY(listed.out.startsWith("Bank\n"));
        QVERIFY2(listed.err.contains("Warning: the file is damaged."), qPrintable(listed.err));
        QVERIFY(listed.err.contains("bytes"));
        const TRun shown = cli({"show", file, "Bank", "--field", "Login"});
        QCOMPARE(shown.status, 5);
        QCOMPARE(shown.out, QByteArray("me\n"));
        for (const QStringList& change :
             {QStringList{"add", file, "New"}, QStringList{"rm", file, "Bank", "--yes"}, QStringList{"passwd", file}}) {
            const TRun r = cli(change, "Open Sesame\nabcd\nabcd\n");
            QCOMPARE(r.status, 5);
            QVERIFY(r.err.contains("The file is damaged and is not changed."));
        }
        QCOMPARE(readAll(file), damaged);
    }

    // A closed standard output fails before anything is read or written; a full one says why.
    void outputThatCannotBeWritten_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("message");
        QTest::newRow("ls, closed") << "$CLI ls \"$F\" >&-"
                                    << "Cannot write the output: standard output is closed.";
        QTest::newRow("show, closed") << "$CLI show \"$F\" Bank --field Password >&-"
                                      << "Cannot write the output: standard output is closed.";
        QTest::newRow("add, closed") << "$CLI add \"$F\" New >&-"
                                     << "Cannot write the output: standard output is closed.";
        QTest::newRow("error closed") << "$CLI add \"$F\" New 2>&-"
                                      << "";
        QTest::newRow("json, full") << "$CLI ls \"$F\" --long --json >/dev/full"
                                    << "Cannot write the output: No space left on device";
        QTest::newRow("export, full") << "$CLI export \"$F\" >/dev/full"
                                      << "Cannot write the output: No space left on device";
    }
    void outputThatCannotBeWritten() {
        QFETCH(QString, script);
        QFETCH(QString, message);
        const TRun r = sh(QString("F='%1'; ").arg(file) + script, kPw);
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.trimmed(), message);
        QCOMPARE(readAll(file), pristine);
    }

    // The passwords from another descriptor, while standard input carries something else.
    void passwordFromAnotherDescriptor() {
        const TRun r = sh(QString("$CLI ls '%1' --password-fd 3 3<<EOF\nOpen Sesame\nEOF").arg(file), "not it\n");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("Bank\nCafé ☕\n"));
        const TRun merged =
            sh(QString("$CLI merge '%1' '%2' --password-fd 3 3<<EOF\nOpen Sesame\nOther\nEOF").arg(file, other));
        QCOMPARE(merged.status, 0);
        QCOMPARE(sh("$CLI ls /x --password-fd 9").status, 2);
    }

    // Two scripts change the same file at once, each a series of commands: nothing is lost.
    void twoScriptsAtOnceLoseNothing() {
        const QString script =
            QString("for i in 1 2 3 4 5 6; do printf 'Open Sesame\\n' | $CLI add '%1' $P$i --login x "
                    "|| exit 1; printf 'Open Sesame\\n' | $CLI mv '%1' $P$i $P$i-moved || exit 1; done")
                .arg(file);
        QProcess a, b;
        for (auto [p, prefix] : {std::pair{&a, "A"}, std::pair{&b, "B"}}) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("CLI", KEYVANE_CLI);
            env.insert("P", prefix);
            p->setProcessEnvironment(env);
            p->start("/bin/sh", {"-c", script});
        }
        QVERIFY(a.waitForFinished(-1) && b.waitForFinished(-1));
        QCOMPARE(a.exitCode(), 0);
        QCOMPARE(b.exitCode(), 0);
        QStringList names = load(file).names;
        QCOMPARE(names.size(), 14);
        for (int i = 1; i <= 6; ++i)
            QVERIFY(names.contains(QString("A%1-moved").arg(i)) && names.contains(QString("B%1-moved").arg(i)));
    }

    // At a terminal: rm asks, and an account password given with --password is gone from the command line
    // that other users see while the file password is typed.
    void atATerminal_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("answers");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("rm, no") << QStringList{"rm", file, "bank"} << QByteArray("n\n") << 1
                                << QStringList{"Bank", "Café ☕"};
        QTest::newRow("rm, yes") << QStringList{"rm", file, "bank"} << QByteArray("y\n") << 0 << QStringList{"Café ☕"};
        QTest::newRow("rm --yes") << QStringList{"rm", file, "bank", "--yes"} << QByteArray() << 0
                                  << QStringList{"Café ☕"};
        QTest::newRow("add --password") << QStringList{"add", file, "New", "--password", "hunter2"} << QByteArray() << 0
                                        << QStringList{"Bank", "Café ☕", "New"};
    }
    void atATerminal() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, answers);
        QFETCH(int, status);
        QFETCH(QStringList, names);
        int master = -1;
        std::vector<QByteArray> bytes{KEYVANE_CLI};
        for (const QString& a : args)
            bytes.push_back(a.toUtf8());
        std::vector<char*> argv;
        for (QByteArray& b : bytes)
            argv.push_back(b.data());
        argv.push_back(nullptr);
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        QVERIFY(pid >= 0);
        if (pid == 0) {
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        QByteArray seen;
        auto readUntil = [&](const QByteArray& what) {
            char buffer[256];
            while (!seen.contains(what)) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n <= 0)
                    return false;
                seen.append(buffer, n);
            }
            return true;
        };
        QVERIFY(readUntil("Password for 'safe.kvf': "));
        const QByteArray cmdline = readAll(QString("/proc/%1/cmdline").arg(pid));
        QVERIFY(cmdline.contains("safe.kvf"));
        QVERIFY2(!cmdline.contains("hunter2"), cmdline.constData());
        QCOMPARE(::write(master, kPw.constData(), size_t(kPw.size())), ssize_t(kPw.size()));
        if (!answers.isEmpty()) {
            QVERIFY(readUntil("Delete Account 'Bank'? [y/N] "));
            QCOMPARE(::write(master, answers.constData(), size_t(answers.size())), ssize_t(answers.size()));
        }
        int wstatus = 0;
        char buffer[256];
        while (::read(master, buffer, sizeof buffer) > 0) {
        }
        ::waitpid(pid, &wstatus, 0);
        ::close(master);
        QVERIFY(WIFEXITED(wstatus));
        QCOMPARE(WEXITSTATUS(wstatus), status);
        QCOMPARE(load(file).names, names);
        if (args.contains("hunter2"))
            QCOMPARE(accountOf(file, "New").Password, QString("hunter2"));
    }

    // A file protected by its password: it opens only with the password as typed, a change keeps it
    // protected, and a header of a newer version is refused before any question.
    void protectedFile_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("message");
        const QString p = dir.filePath("locked.kvf"), newer = dir.filePath("newer.kvf");
        QTest::newRow("ls") << QStringList{"ls", p} << QByteArray("Pass phrase #1\n") << 0 << "Vault\n"
                            << "";
        QTest::newRow("letter case counts") << QStringList{"ls", p} << QByteArray("pass phrase #1\n") << 3 << ""
                                            << "Wrong password.";
        QTest::newRow("add") << QStringList{"add", p, "More"} << QByteArray("Pass phrase #1\n") << 0 << ""
                             << "";
        QTest::newRow("merge into a designed file")
            << QStringList{"merge", file, p} << QByteArray("Open Sesame\nPass phrase #1\n") << 0 << ""
            << "Accounts added: 1, replaced: 0.";
        QTest::newRow("merge, wrong second password")
            << QStringList{"merge", file, p} << QByteArray("Open Sesame\nPass phrase\n") << 3 << ""
            << "Wrong password for 'locked.kvf'.";
        QTest::newRow("info") << QStringList{"info", p} << QByteArray("Pass phrase #1\n") << 0
                              << "Form: protected (Argon2id, 8 MiB, 1 pass; XChaCha20-Poly1305)\nAccounts: 1\n"
                              << "";
        QTest::newRow("protect, already") << QStringList{"protect", p} << QByteArray("Pass phrase #1\n") << 0
                                          << "'locked.kvf' is already protected.\n"
                                          << "";
        QTest::newRow("newer version") << QStringList{"show", newer, "Vault"} << QByteArray("Pass phrase #1\n") << 5
                                       << ""
                                       << "*made by a newer version of Keyvane*";
    }
    void protectedFile() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, message);
        TKYVNProtectedForm::SetCostOfNewKeys({1, 8192}); // the file keeps its cost; the tool reads it
        const QString p = dir.filePath("locked.kvf");
        {
            TKYVNFile f;
            f.FileName = p;
            f.Password = "Pass phrase #1";
            f.SetForm(TKYVNFileForm::Protected);
            auto* a = new TKYVNAccount;
            a->AccountName = "Vault";
            f.AddAccount(a);
            QFile::remove(p);
            f.Save(false);
        }
        QByteArray newer = readAll(p);
        newer[8] = 3;
        writeAll(dir.filePath("newer.kvf"), newer);
        const TRun r = cli(args, input);
        QCOMPARE(r.status, status);
        QCOMPARE(QString::fromUtf8(r.out), out);
        if (message.startsWith('*'))
            QVERIFY2(r.err.contains(message.mid(1).chopped(1)), qPrintable(r.err));
        else
            QCOMPARE(r.err.trimmed(), message);
        TKYVNFile back;
        back.FileName = p;
        QVERIFY(back.LoadWithPassword("Pass phrase #1"));
        QVERIFY(back.IsProtected());
        QCOMPARE(back.AccountCount(), args.first() == "add" && status == 0 ? 2 : 1);
    }

    // A file of the older form protected in place: it then opens only with its password, exactly.
    void protectInPlace() {
        QCOMPARE(cli({"info", file}).out, QByteArray("Form: not protected (fixed key)\nAccounts: 2\n"));
        QCOMPARE(cli({"protect", file}).status, 0);
        TKYVNFile back;
        back.FileName = file;
        QVERIFY(back.Examine() == TKYVNFileForm::Protected);
        QVERIFY(back.LoadWithPassword("Open Sesame"));
        QCOMPARE(back.AccountCount(), 2);
        QCOMPARE(cli({"ls", file}, "open sesame\n").status, 3);
    }

    void everyCommandHasItsHelp() {
        const TRun all = cli({"--help"}, "");
        QCOMPARE(all.status, 0);
        for (const char* command : {"ls", "show", "search", "new", "add", "edit", "mv", "rm", "clip", "generate",
                                    "export", "merge", "passwd", "protect", "info"}) {
            const TRun one = cli({command, "--help"}, "");
            QCOMPARE(one.status, 0);
            QVERIFY2(one.out.startsWith("Usage: keyvane-cli " + QByteArray(command)), command);
            QVERIFY(one.out.contains("3  a wrong password"));
            QVERIFY2(all.out.contains("\n  " + QByteArray(command)), command);
        }
        QVERIFY(all.out.contains("--ask, not --password"));
    }
};

KYVN_TEST_CORE_MAIN(TestCliCommands)
#include "tst_clicommands.moc"
