#include "KyvnSettingsLock.h"
#include "KyvnTest.h"

#include "clsFile.h"
#include "uOptions.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>

#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using KyvnTest::readAll;
using KyvnTest::TSettingsLockHolder;

namespace {

struct TRun {
    int status;
    QString out;
    QString err;
};

TRun cli(const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess p;
    p.start(QStringLiteral(KEYVANE_CLI), args);
    p.write(input);
    p.closeWriteChannel();
    // No time limit of its own: on a loaded machine a run may take long, and the test's own limit applies.
    p.waitForFinished(-1);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

void setBackups(bool on) {
    TKYVNOptions options;
    options.Load();
    options.BackupFiles = on;
    options.Save();
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString file;
    QByteArray pristine; // the bytes of the file that every test starts from

    // A file of the older form with the password "Open Sesame" and two accounts, made once with the tool
    // itself (the older form derives no key, which keeps the many runs below quick).
    void makeFile() {
        file = dir.filePath("safe.kvf");
        QFile::remove(file);
        QCOMPARE(cli({"new", file, "--unprotected"}, "Open Sesame\nopen sesame\n").status, 0);
        QCOMPARE(cli({"add", file, "Bank", "--login", "me", "--password", "s3cret", "--email", "me@bank.example",
                      "--web", "https://bank.example", "--notes", "first line\nsecond line", "--protected"},
                     "Open Sesame\n")
                     .status,
                 0);
        QCOMPARE(cli({"add", file, "Mail", "--generate", "16"}, "Open Sesame\n").status, 0);
        pristine = readAll(file);
    }

private slots:
    void initTestCase() {
        setBackups(true);
        makeFile();
        QVERIFY(!pristine.isEmpty());
    }

    // Each test (and each row) starts from the same file, without running the tool again.
    void init() {
        setBackups(true);
        QFile::remove(dir.filePath("Backup of safe.kvf"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(pristine), pristine.size());
        f.close();
    }

    void newFileIsEmptyAndOwnerOnly_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("isProtected");
        QTest::newRow("protected") << QStringList() << true;
        QTest::newRow("unprotected") << QStringList{"--unprotected"} << false;
    }
    void newFileIsEmptyAndOwnerOnly() {
        QFETCH(QStringList, options);
        QFETCH(bool, isProtected);
        const QString path = dir.filePath("new.kvf");
        QFile::remove(path);
        const TRun made = cli(QStringList{"new", path} + options, isProtected ? "abcd\nabcd\n" : "abcd\nABCD\n");
        QCOMPARE(made.status, 0);
        QCOMPARE(readAll(path).startsWith("\x89KVF"), isProtected);
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        const TRun listed = cli({"ls", path}, "abcd\n");
        QCOMPARE(listed.status, 0);
        QCOMPARE(listed.out, QString());
        TKYVNFile back;
        back.FileName = path;
        QVERIFY(back.LoadWithPassword("abcd"));
        QCOMPARE(back.IsProtected(), isProtected);
        QCOMPARE(back.Password, QString("abcd"));               // as typed the first time
        QCOMPARE(cli({"new", path}, "abcd\nabcd\n").status, 1); // never over an existing file
    }

    void newPasswordRules_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("message");
        const QStringList older{"--unprotected"};
        QTest::newRow("too short") << QStringList() << QByteArray("abc\nabc\n")
                                   << "Password must be at least 4 characters long.";
        QTest::newRow("too long") << QStringList() << QByteArray(129, 'a') + "\n" + QByteArray(129, 'a') + "\n"
                                  << "Password must be at most 128 characters long.";
        QTest::newRow("older: too long") << older << QByteArray(26, 'a') + "\n" + QByteArray(26, 'a') + "\n"
                                         << "Password must be at most 25 characters long.";
        QTest::newRow("older: apostrophe") << older << QByteArray("ab'cd\nab'cd\n") << "A password cannot hold ' or #.";
        QTest::newRow("older: number sign")
            << older << QByteArray("ab#cd\nab#cd\n") << "A password cannot hold ' or #.";
        QTest::newRow("no match") << QStringList() << QByteArray("abcd\nabce\n")
                                  << "The passwords you entered do not match.";
        QTest::newRow("accent case differs")
            << older << QByteArray("ábcd\nÁbcd\n") << "The passwords you entered do not match.";
        QTest::newRow("no input") << QStringList() << QByteArray() << "No password given.";
    }
    void newPasswordRules() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, input);
        QFETCH(QString, message);
        const QString path = dir.filePath("refused.kvf");
        const TRun r = cli(QStringList{"new", path} + options, input);
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.trimmed(), message);
        QVERIFY(!QFile::exists(path));
    }

    void listAndShow() {
        const TRun listed = cli({"ls", file}, "OPEN SESAME\n"); // a to z fold
        QCOMPARE(listed.status, 0);
        QCOMPARE(listed.out, QString("Bank\nMail\n"));
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        const TRun shown = cli({"show", file, "bank"}, "Open Sesame\n");
        QCOMPARE(shown.status, 0);
        QCOMPARE(shown.out, QString("Account Name: Bank\nLogin: me\nPassword: s3cret\nEmail: me@bank.example\n"
                                    "Web: https://bank.example\nNotes: first line\nsecond line\nProtected: True\n"
                                    "Created: %1\nModified: %1\n")
                                .arg(today));
        const TRun field = cli({"show", file, "Mail", "--field", "password"}, "Open Sesame\n");
        QCOMPARE(field.status, 0);
        const QString generated = field.out.trimmed();
        QCOMPARE(generated.size(), 16);
        for (QChar c : generated)
            QVERIFY(c >= '(' && c <= '|');
        // What the tool wrote, the store reads back field by field.
        TKYVNFile back;
        back.FileName = file;
        back.Load();
        QCOMPARE(back.GetAccount(0)->Notes, QString("first line\r\nsecond line"));
        QVERIFY(back.GetAccount(0)->Protected);
        QCOMPARE(back.GetAccount(1)->Password, generated);
    }

    // Another process holds the settings database: the tool works with the default preferences and
    // does not wait for the lock (it used to take ten seconds).
    void lockedSettingsStoreCostsNoWait() {
        QsRegClose();
        TSettingsLockHolder holder(QsRegDatabasePath(), TSettingsLockHolder::Exclusive);
        QVERIFY(holder.Locked());
        QElapsedTimer timer;
        timer.start();
        const TRun listed = cli({"ls", file}, "Open Sesame\n");
        QCOMPARE(listed.status, 0);
        QCOMPARE(listed.out, QString("Bank\nMail\n"));
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(holder.StillHolding());
    }

    // The apostrophe and the number sign are ordinary characters everywhere but in the notes.
    void apostropheAndNumberSignAreKept() {
        QCOMPARE(cli({"add", file, "O'Neil #2", "--login", "it's", "--password", "p#'w", "--email", "o'n@x.example",
                      "--web", "https://x.example/#top"},
                     "Open Sesame\n")
                     .status,
                 0);
        const TRun shown = cli({"show", file, "o'neil #2", "--field", "Password"}, "Open Sesame\n");
        QCOMPARE(shown.status, 0);
        QCOMPARE(shown.out, QString("p#'w\n"));
        TKYVNFile back;
        back.FileName = file;
        back.Load();
        const TKYVNAccount* a = back.FindAccount("O'NEIL #2");
        QVERIFY(a);
        QCOMPARE(a->AccountName, QString("O'Neil #2"));
        QCOMPARE(a->Login, QString("it's"));
        QCOMPARE(a->Password, QString("p#'w"));
        QCOMPARE(a->Email, QString("o'n@x.example"));
        QCOMPARE(a->Web, QString("https://x.example/#top"));
    }

    // An export of a browser, written by Python's csv module, comes in whole; a malformed one is refused
    // with its line number and the passwords file stays byte for byte.
    void importAnExport() {
        const QString csv = dir.filePath("chrome.csv");
        QProcess py;
        py.start("/usr/bin/python3", {"-c",
                                      "import csv,sys\n"
                                      "w=csv.writer(open(sys.argv[1],'w',newline='',encoding='utf-8'))\n"
                                      "w.writerow(['name','url','username','password','note'])\n"
                                      "w.writerow(['bank','https://bank.example','jo','p#1,\"q\"',\"it's\\nhere\"])\n"
                                      "w.writerow(['Shop','https://shop.example','jo','s3',''])\n",
                                      csv});
        QVERIFY(py.waitForFinished(-1) && py.exitCode() == 0);
        const TRun done = cli({"import", file, csv}, "Open Sesame\n");
        QCOMPARE(done.err, QString());
        QCOMPARE(done.status, 0);
        QCOMPARE(done.out,
                 QString("Imported 2 accounts from a Chromium browser's export; 1 name repeated, kept both; 1 "
                         "value changed.\n"));
        TKYVNFile back;
        back.FileName = file;
        back.Load();
        QCOMPARE(back.AccountCount(), 4);
        QCOMPARE(back.GetAccount(2)->AccountName, QString("bank (2)"));
        QCOMPARE(back.GetAccount(2)->Password, QString("p#1,\"q\""));
        QCOMPARE(back.GetAccount(2)->Notes, QString("it\u2019s\r\nhere"));
        QCOMPARE(back.GetAccount(0)->Login, QString("me")); // the account of that name stays

        const QByteArray before = readAll(file);
        KyvnTest::writeAll(dir.filePath("bad.csv"), "name,url,username,password\nA,u,l,p\nB,\"u,l,p\nC,u,l,p\n");
        const TRun bad = cli({"import", file, dir.filePath("bad.csv")}, "Open Sesame\n");
        QCOMPARE(bad.status, 1);
        QCOMPARE(bad.err, QString("'bad.csv' cannot be imported.\nLine 3: a quoted value is not closed (its closing "
                                  "double quote is missing).\n"));
        const TRun unknown = cli({"import", file, csv, "--from", "firefox"}, "Open Sesame\n");
        QCOMPARE(unknown.status, 1);
        QVERIFY2(unknown.err.startsWith("The file lacks the columns of a Firefox export: guid."),
                 qPrintable(unknown.err));
        const TRun wrong = cli({"import", file, csv}, "nope\n");
        QCOMPARE(wrong.status, 3);
        QCOMPARE(readAll(file), before);

        const TRun replaced = cli({"import", file, csv, "--repeated", "replace"}, "Open Sesame\n");
        QCOMPARE(replaced.status, 0);
        QVERIFY2(replaced.out.contains("2 names repeated, replaced"), qPrintable(replaced.out));
        TKYVNFile after;
        after.FileName = file;
        after.Load();
        QCOMPARE(after.AccountCount(), 4);
        QCOMPARE(after.GetAccount(0)->Login, QString("jo"));
    }

    void errors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString f = dir.filePath("safe.kvf");
        const QByteArray pw = "Open Sesame\n";
        QTest::newRow("wrong password") << QStringList{"ls", f} << QByteArray("open sesamE!\n") << 3
                                        << "Wrong password.";
        QTest::newRow("unknown account") << QStringList{"show", f, "Nope"} << pw << 4
                                         << "There is no account named 'Nope'.";
        QTest::newRow("rm unknown account")
            << QStringList{"rm", f, "Nope"} << pw << 4 << "There is no account named 'Nope'.";
        QTest::newRow("unknown field") << QStringList{"show", f, "Bank", "--field", "Colour"} << pw << 2
                                       << "Unknown field 'Colour'.";
        QTest::newRow("name in use") << QStringList{"add", f, "BANK"} << pw << 1
                                     << "There is already an account named 'BANK'.\n"
                                        "Please provide a different name for this account.";
        QTest::newRow("reserved in notes")
            << QStringList{"add", f, "X", "--notes", "#1"} << pw << 1 << "Notes cannot hold ' or #.";
        QTest::newRow("line break in web") << QStringList{"add", f, "X", "--web", "a\nb"} << pw << 1
                                           << "Web cannot hold a line break or a NUL character.";
        QTest::newRow("long name") << QStringList{"add", f, QString(51, 'n')} << pw << 1
                                   << "Account Name is longer than 50 characters.";
        QTest::newRow("long password") << QStringList{"add", f, "X", "--password", QString(101, 'p')} << pw << 1
                                       << "Password is longer than 100 characters.";
        QTest::newRow("long notes") << QStringList{"add", f, "X", "--notes", QString(256, 'x')} << pw << 1
                                    << "Notes is longer than 255 characters.";
        QTest::newRow("blank name") << QStringList{"add", f, "   "} << pw << 1 << "The account name is empty.";
        QTest::newRow("password and generate") << QStringList{"add", f, "X", "--password", "p", "--generate", "8"} << pw
                                               << 2 << "Give only one of --password, --generate.";
        QTest::newRow("generate zero") << QStringList{"add", f, "X", "--generate", "0"} << pw << 2
                                       << "--generate takes a number from 1 to 100.";
        QTest::newRow("unknown option") << QStringList{"ls", f, "--all"} << pw << 2 << "Unknown option '--all'.";
        QTest::newRow("missing argument")
            << QStringList{"show", f} << pw << 2 << "Usage: keyvane-cli show FILE NAME [--field F]... [--json]";
        QTest::newRow("unknown command") << QStringList{"cat", f} << pw << 2
                                         << "Unknown command 'cat'. Try 'keyvane-cli --help'.";
        QTest::newRow("missing file") << QStringList{"ls", dir.filePath("none.kvf")} << pw << 1
                                      << "Error loading file 'none.kvf'.\nFile not found";
        QTest::newRow("not a passwords file") << QStringList{"ls", dir.filePath("junk.kvf")} << pw << 5
                                              << "Error loading file 'junk.kvf'.\nThis is not a valid passwords file.";
        QTest::newRow("a folder")
            << QStringList{"ls", dir.path()} << pw << 1
            << QString("Error loading file '%1'.\nInvalid filename").arg(QFileInfo(dir.path()).fileName());
    }
    void errors() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFile junk(dir.filePath("junk.kvf"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("twelve bytes"); // deciphers to noise
        junk.close();
        const QByteArray before = readAll(file);
        const TRun r = cli(args, input);
        QCOMPARE(r.status, status);
        QCOMPARE(r.err.trimmed(), message);
        QCOMPARE(r.out, QString());
        QCOMPARE(readAll(file), before); // nothing written unless the command succeeds
    }

    void removeKeepsABackupWhenAsked() {
        const QString backup = dir.filePath("Backup of safe.kvf");
        const QByteArray before = readAll(file);
        QCOMPARE(cli({"rm", file, "BANK"}, "Open Sesame\n").status, 0);
        QCOMPARE(readAll(backup), before);
        QCOMPARE(cli({"ls", file}, "Open Sesame\n").out, QString("Mail\n"));

        setBackups(false);
        const QByteArray kept = readAll(backup);
        QCOMPARE(cli({"rm", file, "mail"}, "Open Sesame\n").status, 0);
        QCOMPARE(readAll(backup), kept);
        QCOMPARE(cli({"ls", file}, "Open Sesame\n").out, QString());
    }

    void terminalInputIsNotEchoed() {
        // The tool on a pseudo-terminal, as a person at a terminal runs it.
        int master = -1;
        const QByteArray program = KEYVANE_CLI, path = QFile::encodeName(file);
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        QVERIFY(pid >= 0);
        if (pid == 0) {
            ::execl(program.constData(), program.constData(), "ls", path.constData(), static_cast<char*>(nullptr));
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
        // Echo is already off when the prompt shows: an answer typed at once is not echoed.
        termios tio;
        QCOMPARE(::tcgetattr(master, &tio), 0);
        QVERIFY(!(tio.c_lflag & ECHO));
        const QByteArray answer = "Open Sesame\n";
        QCOMPARE(::write(master, answer.constData(), size_t(answer.size())), ssize_t(answer.size()));
        readUntil("\nMail"); // the list follows the prompt
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(master);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY2(!seen.contains("Sesame"), seen.constData());
        QVERIFY(seen.contains("Bank"));
    }

    void outputThatCannotBeWrittenFails_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("ls") << QStringList{"ls", file};
        QTest::newRow("show") << QStringList{"show", file, "Bank"};
        QTest::newRow("help") << QStringList{"--help"};
        QTest::newRow("version") << QStringList{"--version"};
    }
    void outputThatCannotBeWrittenFails() {
        QFETCH(QStringList, args);
        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(KEYVANE_CLI), args);
        p.write("Open Sesame\n");
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(-1));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(
            QString::fromUtf8(p.readAllStandardError()).contains("Cannot write the output: No space left on device"));
    }

    // analyze: the same findings as the health window, as text and as JSON read back by Python.
    void analyzeListsWhatNeedsAttention() {
        const QString path = dir.filePath("health.kvf");
        QFile::remove(path);
        {
            TKYVNFile f;
            f.FileName = path;
            f.Password = "abcd";
            const struct {
                const char* name;
                const char* password;
                int age;
            } rows[] = {{"Bank", "jsmith1984", 3},
                        {"Mail", "same-Phrase-2024!x", 3},
                        {"Chat", "same-Phrase-2024!x", 3},
                        {"Good", "(B]x^7Kq:Lz<p2Vd@Mw?", 3},
                        {"Old", "(B]x^7Kq:Lz<p2Vd@Mw?x", 5000},
                        {"None", "", 3}};
            for (const auto& r : rows) {
                auto* a = new TKYVNAccount;
                a->AccountName = r.name;
                a->Login = "jsmith";
                a->Password = r.password;
                a->Created = a->Modified = QDate::currentDate().addDays(-r.age);
                f.AddAccount(a);
            }
            f.Save(false);
        }
        const QByteArray before = readAll(path);
        const TRun text = cli({"analyze", path}, "abcd\n");
        QCOMPARE(text.status, 0);
        QCOMPARE(text.out.split('\n').first(), QString("6 accounts: 1 empty, 3 weak, 2 reused (1 group), 1 old"));
        QVERIFY2(text.out.contains("\nNone\tEmpty\n"), qPrintable(text.out));
        QVERIFY(text.out.contains("\nOld\tNot changed for 5000 days\n"));
        QVERIFY(!text.out.contains("Good"));
        QVERIFY(!text.out.contains("same-Phrase") && !text.out.contains("jsmith1984"));

        QList<QByteArray> lines{QCryptographicHash::hash("jsmith1984", QCryptographicHash::Sha1).toHex() + ":42",
                                QCryptographicHash::hash("other", QCryptographicHash::Sha1).toHex().toUpper() + ":7"};
        std::sort(lines.begin(), lines.end(),
                  [](const QByteArray& a, const QByteArray& b) { return a.toUpper() < b.toUpper(); });
        const QString list = dir.filePath("breaches.txt");
        KyvnTest::writeAll(list, lines.join('\n') + '\n');
        const TRun json = cli({"analyze", path, "--breaches", list, "--json"}, "abcd\n");
        QCOMPARE(json.status, 0);
        QProcess py;
        py.start("python3",
                 {"-c",
                  "import json,sys\n"
                  "d=json.load(sys.stdin)\n"
                  "print(d['accounts'], d['breachesChecked'], d['counts']['breached'], d['counts']['reuseGroups'])\n"
                  "for e in d['entries']:\n"
                  "  print(e['account'], ','.join(e['problems']), e.get('breachCount', ''), e.get('band', ''))"});
        py.write(json.out.toUtf8());
        py.closeWriteChannel();
        py.waitForFinished(-1);
        QCOMPARE(py.exitCode(), 0);
        const QStringList read = QString::fromUtf8(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(read.first(), QString("6 True 1 1"));
        QCOMPARE(read.mid(1), (QStringList{"Bank breached,weak 42 Poor", "None empty  ", "Chat weak,reused  Weak",
                                           "Mail weak,reused  Weak", "Old old  Excellent"}));
        QCOMPARE(readAll(path), before); // only read

        // A list that cannot be searched stops the command before the password is asked.
        KyvnTest::writeAll(list, "password\n");
        const TRun refused = cli({"analyze", path, "--breaches", list});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.startsWith(QString("'%1' is not a list of SHA-1 password hashes.").arg(list)),
                 qPrintable(refused.err));
        QCOMPARE(cli({"analyze", path, "extra"}, "abcd\n").status, 2);
        QCOMPARE(cli({"analyze", path}, "wrong\n").status, 3);
    }

    void helpSaysChangesAlongsideTheProgramAreKept() {
        const TRun r = cli({"--help"});
        QCOMPARE(r.status, 0);
        QVERIFY(!r.out.contains("overwritten"));
        QVERIFY(r.out.contains("exclusive lock (flock) on the file's folder"));
        QVERIFY(r.out.contains("\"<name> (changed elsewhere YYYY-MM-DD\nHHMMSS).kvf\""));
        QVERIFY(r.out.contains("File > Merge... brings its accounts"));
        for (const char* command :
             {"ls FILE", "show FILE NAME", "new FILE", "add FILE NAME", "rm FILE NAME", "protect FILE", "info FILE"})
            QVERIFY2(r.out.contains(command), command);
        QCOMPARE(cli({}).status, 2);
    }

    // A protected file at the shipped cost: made, described, changed, and refused to a wrong password
    // without a byte written. Its password may hold ' and #.
    void protectedFilesAtTheShippedCost() {
        const QString path = dir.filePath("protected.kvf");
        QFile::remove(path);
        const QByteArray pw = "it's #1 of my passphrases\n";
        QCOMPARE(cli({"new", path}, pw + pw).status, 0);
        QCOMPARE(cli({"add", path, "Bank", "--login", "me"}, pw).status, 0);
        const TRun info = cli({"info", path}, pw);
        QCOMPARE(info.status, 0);
        QCOMPARE(info.out, QString("Form: protected (Argon2id, 256 MiB, 3 passes; XChaCha20-Poly1305)\nAccounts: 1\n"));
        const QByteArray before = readAll(path);
        const QByteArray backup = readAll(dir.filePath("Backup of protected.kvf"));
        QVERIFY(!before.contains("Bank"));
        QVERIFY(backup.startsWith("\x89KVF"));
        for (const QStringList& args : {QStringList{"ls", path}, QStringList{"rm", path, "Bank"}}) {
            const TRun wrong = cli(args, "IT'S #1 OF MY PASSPHRASES\n"); // no folding: the key decides
            QCOMPARE(wrong.status, 3);
            QCOMPARE(wrong.err, QString("Wrong password.\n"));
        }
        QCOMPARE(readAll(path), before);
        QCOMPARE(readAll(dir.filePath("Backup of protected.kvf")), backup);
    }

    void protectConvertsInPlaceWithItsBackup() {
        const TRun older = cli({"info", file}, "Open Sesame\n");
        QCOMPARE(older.out, QString("Form: not protected (fixed key)\nAccounts: 2\n"));
        QCOMPARE(cli({"protect", file}, "open sesame\n").status, 0);
        QVERIFY(readAll(file).startsWith("\x89KVF"));
        QVERIFY(readAll(dir.filePath("Backup of safe.kvf")).startsWith("\x89KVF"));
        // the password as the file holds it, not as it was typed
        TKYVNFile back;
        back.FileName = file;
        QVERIFY(back.LoadWithPassword("Open Sesame"));
        QCOMPARE(back.AccountCount(), 2);
        QCOMPARE(back.GetAccount(0)->Notes, QString("first line\r\nsecond line"));
        const TRun again = cli({"protect", file}, "Open Sesame\n");
        QCOMPARE(again.status, 0);
        QCOMPARE(again.out, QString("'safe.kvf' is already protected.\n"));
    }

    void refusedHeaderIsToldBeforeAnyPassword_data() {
        QTest::addColumn<int>("at");
        QTest::addColumn<char>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("newer version") << 8 << char(3) << "made by a newer version of Keyvane";
        QTest::newRow("65 passes") << 11 << char(65) << "65 passes";
    }
    void refusedHeaderIsToldBeforeAnyPassword() {
        QFETCH(int, at);
        QFETCH(char, value);
        QFETCH(QString, message);
        TKYVNProtectedForm::SetCostOfNewKeys({1, 8192});
        const QString path = dir.filePath("refused-header.kvf");
        {
            TKYVNFile f;
            f.FileName = path;
            f.Password = "abcd";
            f.SetForm(TKYVNFileForm::Protected);
            f.Save(false);
        }
        QByteArray bytes = readAll(path);
        bytes[at] = value;
        KyvnTest::writeAll(path, bytes);
        for (const char* command : {"ls", "info", "protect"}) {
            const TRun r = cli({command, path}); // no password on the input: none is asked
            QCOMPARE(r.status, 5);
            QVERIFY2(r.err.contains(message), qPrintable(r.err));
            QVERIFY(!r.err.contains("No password given."));
        }
        QCOMPARE(readAll(path), bytes);
    }

    void versionIsTheBuiltVersion() {
        const TRun r = cli({"--version"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QString("keyvane-cli (Tessivo Keyvane) 2.0.0 Build 40\n"));
        QCOMPARE(r.err, QString());
    }

    // Many adds at once, each a read-modify-write: none may lose another's account.
    void concurrentChangesLoseNothing() {
        constexpr int kRounds = 3, kAtOnce = 8;
        QStringList expected{"Bank", "Mail"};
        for (int round = 0; round < kRounds; ++round) {
            std::vector<std::unique_ptr<QProcess>> runs;
            for (int i = 0; i < kAtOnce; ++i) {
                const QString name = QString("Round%1-%2").arg(round).arg(i);
                expected << name;
                auto p = std::make_unique<QProcess>();
                p->start(QStringLiteral(KEYVANE_CLI), {"add", file, name, "--login", "x"});
                p->write("Open Sesame\n");
                p->closeWriteChannel();
                runs.push_back(std::move(p));
            }
            for (auto& p : runs) {
                QVERIFY(p->waitForFinished(-1));
                QCOMPARE(p->exitCode(), 0);
            }
        }
        QStringList names = cli({"ls", file}, "Open Sesame\n").out.split('\n', Qt::SkipEmptyParts);
        names.sort();
        expected.sort();
        QCOMPARE(names, expected);
    }

    // The lock is not held while a password is typed: another change goes through meanwhile, and the
    // waiting command reads the file again before it changes it.
    void aChangeMadeWhileThePasswordIsTypedIsKept() {
        QProcess slow;
        slow.start(QStringLiteral(KEYVANE_CLI), {"add", file, "Slow"});
        QVERIFY(slow.waitForStarted(-1));
        QCOMPARE(cli({"add", file, "Quick"}, "Open Sesame\n").status, 0);
        slow.write("Open Sesame\n");
        slow.closeWriteChannel();
        QVERIFY(slow.waitForFinished(-1));
        QCOMPARE(slow.exitCode(), 0);
        const QString names = cli({"ls", file}, "Open Sesame\n").out;
        QCOMPARE(names, QString("Bank\nMail\nQuick\nSlow\n"));
    }
};

KYVN_TEST_CORE_MAIN(TestCli)
#include "tst_cli.moc"
