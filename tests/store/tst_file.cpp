#include "KyvnTest.h"

#include "QsExceptions.h"
#include "RefIdea.h"
#include "clsFile.h"
#include "uGenerator.h"
#include "uOptions.h"

#include <QProcess>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using KyvnTest::readAll;
using KyvnTest::writeAll;

namespace {

TKYVNAccount* makeAccount(const QString& name, const QString& notes = QString(), bool prot = false) {
    auto* a = new TKYVNAccount;
    a->AccountName = name;
    a->Login = name + "-login";
    a->Password = "pw-" + name;
    a->Email = name + "@example.com";
    a->Web = "https://" + name + ".example.com";
    a->Notes = notes;
    a->Protected = prot;
    a->Created = QDate(2003, 7, 4);
    a->Modified = QDate(2024, 2, 29);
    return a;
}

// Runs fn and gives the message and details of the EQsException it raised ("" when none).
QPair<QString, QString> raised(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const EQsException& e) {
        return {e.Message, e.Details};
    }
    return {};
}

QStringList leftovers(const QString& folder) {
    return QDir(folder).entryList({".keyvane-*"}, QDir::Files | QDir::Hidden);
}

// A small tmpfs for real faults: full or read-only. Needs root; the tests skip otherwise.
class TScratchMount {
public:
    TScratchMount(const QString& path, const char* options) : path_(path) {
        QDir().mkpath(path);
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, options) == 0;
    }
    ~TScratchMount() {
        if (mounted_)
            ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    void remountReadOnly() {
        ::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr);
    }

private:
    QString path_;
    bool mounted_ = false;
};

} // namespace

class TestFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void writtenBytesDecipherToThePlainText() {
        // The bytes on disk, deciphered by the textbook cipher, are exactly the designed plain text.
        TKYVNFile file;
        file.FileName = path("known.kvf");
        file.Password = "Secret";
        file.AddAccount(makeAccount("Bank", "a\r\nb", true));
        auto* second = makeAccount("Mail");
        second->Created = KyvnDayZero();
        file.AddAccount(second);
        file.Save(false);
        const QByteArray expected =
            "ZKYVN\r\n#Secret\r\n"
            "#Bank\r\n#Bank-login\r\n#pw-Bank\r\n#Bank@example.com\r\n#https://Bank.example.com\r\n"
            "#a'#b\r\n#True\r\n#04072003\r\n#29022024\r\n"
            "#Mail\r\n#Mail-login\r\n#pw-Mail\r\n#Mail@example.com\r\n#https://Mail.example.com\r\n"
            "#\r\n#False\r\n#30121899\r\n#29022024\r\n";
        const QByteArray onDisk = readAll(file.FileName);
        QCOMPARE(onDisk.size() % 8, 0);
        QCOMPARE(onDisk.size(), (expected.size() + 7) / 8 * 8);
        QCOMPARE(onDisk.left(8).toHex(), QByteArray("247ea6b3c8c80d32"));
        QCOMPARE(RefIdea::zeroKeyEcb(onDisk), expected + QByteArray(onDisk.size() - expected.size(), '\0'));
        QCOMPARE(onDisk, RefIdea::zeroKeyEcb(expected));
    }

    void roundTrips_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("notes with CR LF") << "Notes"
                                          << "a\r\nb"
                                          << "a\r\nb";
        QTest::newRow("notes with lone LF and CR") << "Notes"
                                                   << "x\ny\rz"
                                                   << "x\ny\rz";
        QTest::newRow("notes ending in a line break") << "Notes"
                                                      << "line\r\n"
                                                      << "line\r\n";
        QTest::newRow("reserved chars in notes") << "Notes"
                                                 << "it's #1"
                                                 << "it\rs \n1";
        QTest::newRow("reserved chars in a name") << "Account Name"
                                                  << "O'Brien #2"
                                                  << "O'Brien #2";
        QTest::newRow("accented name") << "Account Name"
                                       << "Café crème Ünïcødé"
                                       << "Café crème Ünïcødé";
        QTest::newRow("outside the BMP") << "Login"
                                         << "smile 😀"
                                         << "smile 😀";
        QTest::newRow("empty") << "Web"
                               << ""
                               << "";
        QTest::newRow("blanks kept") << "Password"
                                     << "  p w  "
                                     << "  p w  ";
        QTest::newRow("a name that looks like the signature") << "Account Name"
                                                              << "ZKYVN"
                                                              << "ZKYVN";
    }
    void roundTrips() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, readBack);
        TKYVNFile file;
        file.FileName = path("round.kvf");
        file.Password = "Pässwörd";
        auto* a = makeAccount("Acct");
        const int f = KyvnFieldOfCaption(field);
        QString* texts[] = {&a->AccountName, &a->Login, &a->Password, &a->Email, &a->Web, &a->Notes};
        *texts[f] = value;
        file.AddAccount(a);
        file.AddAccount(makeAccount("Other", "x"));
        file.Save(false);

        TKYVNFile back;
        back.FileName = file.FileName;
        back.Load();
        QCOMPARE(back.Password, QString("Pässwörd"));
        QCOMPARE(back.AccountCount(), 2);
        QCOMPARE(GetAccountField(*back.GetAccount(0), field), readBack);
        QCOMPARE(back.GetAccount(0)->Created, QDate(2003, 7, 4));
        QCOMPARE(back.GetAccount(1)->AccountName, QString("Other"));
        QCOMPARE(back.GetAccount(1)->Modified, QDate(2024, 2, 29));
    }

    void emptyFileAndManyAccounts() {
        TKYVNFile file;
        file.FileName = path("many.kvf");
        file.Password = "pw";
        file.Save(false);
        TKYVNFile empty;
        empty.FileName = file.FileName;
        empty.Load();
        QCOMPARE(empty.AccountCount(), 0);
        QCOMPARE(empty.Password, QString("pw"));

        for (int i = 0; i < 3000; ++i)
            file.AddAccount(makeAccount(QString("acct %1").arg(i), "n\r\n" + QString(i % 50, 'x'), i % 2));
        file.Save(false);
        TKYVNFile back;
        back.FileName = file.FileName;
        back.Load();
        QCOMPARE(back.AccountCount(), 3000);
        QCOMPARE(back.PlainText(), file.PlainText());
    }

    void windows1252FileKeepsItsAccents() {
        TKYVNFile file;
        file.FileName = KyvnTest::fixture("cp1252.kvf");
        file.Load();
        QCOMPARE(file.Password, QString("Grün"));
        QCOMPARE(file.AccountCount(), 1);
        const TKYVNAccount* a = file.GetAccount(0);
        QCOMPARE(a->AccountName, QString("Café crème"));
        QCOMPARE(a->Login, QString("José"));
        QCOMPARE(a->Password, QString("päss€"));
        QCOMPARE(a->Notes, QString("Straße 1\r\nMünchen"));
        QCOMPARE(a->Created, QDate(2003, 7, 4));
        // Written back, it is UTF-8.
        file.FileName = path("utf8.kvf");
        file.Save(false);
        QVERIFY(RefIdea::zeroKeyEcb(readAll(file.FileName)).contains("#Caf\xc3\xa9 cr\xc3\xa8me\r\n"));
    }

    void plainTextReading_data() {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QString>("details"); // empty: loads
        QTest::addColumn<int>("accounts");
        QTest::addColumn<bool>("damaged"); // loads what it can, read-only in the program
        const QByteArray account = "#n\r\n#l\r\n#p\r\n#e\r\n#w\r\n#a'#b\r\n#True\r\n#04072003\r\n#01012000\r\n";
        const QString invalid = "This is not a valid passwords file.";
        QTest::newRow("empty") << QByteArray() << invalid << 0 << false;
        QTest::newRow("only NUL bytes") << QByteArray(16, '\0') << invalid << 0 << false;
        QTest::newRow("lower-case signature") << QByteArray("zkyvn\r\n#p\r\n") << invalid << 0 << false;
        QTest::newRow("signature with a blank") << QByteArray("ZKYVN \r\n#p\r\n") << invalid << 0 << false;
        QTest::newRow("signature alone") << QByteArray("ZKYVN\r\n") << "List index out of bounds (1)" << 0 << false;
        QTest::newRow("no accounts") << QByteArray("ZKYVN\r\n#pw\r\n") << "" << 0 << false;
        QTest::newRow("one account") << "ZKYVN\r\n#pw\r\n" + account << "" << 1 << false;
        // More lines after the last account than a well-formed file holds: what follows is left out.
        QTest::newRow("one extra line is left out") << "ZKYVN\r\n#pw\r\n" + account + "#x\r\n"
                                                    << "" << 1 << true;
        QTest::newRow("two extra lines are left out") << "ZKYVN\r\n#pw\r\n" + account + "#x\r\n#y\r\n"
                                                      << "" << 1 << true;
        QTest::newRow("eight extra lines are left out")
            << "ZKYVN\r\n#pw\r\n" + account + QByteArray("#x\r\n").repeated(8) << "" << 1 << true;
        QTest::newRow("LF line ends") << QByteArray("ZKYVN\n#pw\n" + account).replace("\r\n", "\n") << "" << 1 << false;
        QTest::newRow("CR line ends") << QByteArray("ZKYVN\r#pw\r" + account).replace("\r\n", "\r") << "" << 1 << false;
        QTest::newRow("NUL ends the text")
            << "ZKYVN\r\n#pw\r\n" + account + QByteArray(1, '\0') + account << "" << 1 << true;
        QTest::newRow("impossible date") << "ZKYVN\r\n#pw\r\n" + QByteArray(account).replace("04072003", "31022004")
                                         << "Invalid argument to date encode" << 0 << false;
        QTest::newRow("date not a number") << "ZKYVN\r\n#pw\r\n" + QByteArray(account).replace("04072003", "ab072003")
                                           << "'ab' is not a valid integer value" << 0 << false;
        QTest::newRow("empty date line") << "ZKYVN\r\n#pw\r\n" + QByteArray(account).replace("#04072003", "")
                                         << "'' is not a valid integer value" << 0 << false;
        QTest::newRow("bad date after a NUL cut")
            << "ZKYVN\r\n#pw\r\n" + account + QByteArray(account).replace("04072003", "31022004") +
                   QByteArray(1, '\0') + account
            << "" << 1 << true;
    }
    void plainTextReading() {
        QFETCH(QByteArray, plain);
        QFETCH(QString, details);
        QFETCH(int, accounts);
        QFETCH(bool, damaged);
        TKYVNFile file;
        file.FileName = path("parse.kvf");
        writeAll(file.FileName, RefIdea::zeroKeyEcb(plain));
        const auto error = raised([&] { file.Load(); });
        QCOMPARE(error.second, details);
        QCOMPARE(file.Damaged(), damaged);
        if (!details.isEmpty())
            QCOMPARE(error.first, QString("Error loading file 'parse.kvf'."));
        QCOMPARE(file.AccountCount(), accounts);
        if (details.isEmpty() && accounts) {
            const TKYVNAccount* a = file.GetAccount(0);
            QCOMPARE(file.Password, QString("pw"));
            QCOMPARE(a->Notes, QString("a\r\nb"));
            QVERIFY(a->Protected);
            QCOMPARE(a->Created, QDate(2003, 7, 4));
            QCOMPARE(a->Modified, QDate(2000, 1, 1));
        }
    }

    void fieldLinesDropTheirFirstCharacter_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("name");
        QTest::newRow("hash") << QByteArray("#Bank") << "Bank";
        QTest::newRow("other character") << QByteArray("XBank") << "Bank";
        QTest::newRow("multi-byte character") << QByteArray("\xc3\xa9"
                                                            "Bank")
                                              << "Bank";
        QTest::newRow("empty line") << QByteArray() << "";
    }
    void fieldLinesDropTheirFirstCharacter() {
        QFETCH(QByteArray, line);
        QFETCH(QString, name);
        TKYVNFile file;
        file.ReadPlainText("ZKYVN\r\n#pw\r\n" + line +
                           "\r\n#l\r\n#p\r\n#e\r\n#w\r\n#\r\ntrue\r\n#04072003\r\n#04072003\r\n");
        QCOMPARE(file.GetAccount(0)->AccountName, name);
        QVERIFY(!file.GetAccount(0)->Protected); // "true" in lower case is false
    }

    void damagedFilesFailToLoad_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("details");
        TKYVNFile good;
        good.Password = "pw";
        for (int i = 0; i < 40; ++i)
            good.AddAccount(makeAccount(QString("a%1").arg(i), "n"));
        const QByteArray bytes = TKYVNFile::Encipher(good.PlainText());
        QByteArray wrongStart = bytes;
        wrongStart[0] = char(wrongStart[0] ^ 1);
        writeAll(path("wrong-signature.kvf"), wrongStart);
        writeAll(path("plain.kvf"), good.PlainText()); // not enciphered at all
        QDir().mkpath(path("folder.kvf"));
        const QString invalid = "This is not a valid passwords file.";
        QTest::newRow("wrong signature") << "wrong-signature.kvf" << invalid;
        QTest::newRow("not enciphered") << "plain.kvf" << invalid;
        QTest::newRow("missing") << "missing.kvf"
                                 << "File not found";
        QTest::newRow("a folder") << "folder.kvf"
                                  << "Invalid filename";
        QTest::newRow("under a file") << "plain.kvf/x.kvf"
                                      << "Invalid filename";
        // Not files at all: a pipe would block the load for ever, a device would never end.
        QFile::remove(path("pipe.kvf"));
        QCOMPARE(::mkfifo(QFile::encodeName(path("pipe.kvf")).constData(), 0600), 0);
        QTest::newRow("a named pipe") << "pipe.kvf"
                                      << "Invalid filename";
        QTest::newRow("a device") << "/dev/zero"
                                  << "Invalid filename";
    }
    void damagedFilesFailToLoad() {
        QFETCH(QString, name);
        QFETCH(QString, details);
        TKYVNFile file;
        file.FileName = name.startsWith('/') ? name : path(name);
        const auto error = raised([&] { file.Load(); });
        QCOMPARE(error.first, QString("Error loading file '%1'.").arg(QFileInfo(name).fileName()));
        QCOMPARE(error.second, details);
    }

    void backupHoldsThePreviousFile() {
        const QString name = path("backup.kvf"), backup = path("Backup of backup.kvf");
        QCOMPARE(BackupFileName(name), backup);
        TKYVNFile file;
        file.FileName = name;
        file.Password = "pw";
        file.Save(true);
        QVERIFY(!QFile::exists(backup)); // nothing to keep on the first save
        const QByteArray first = readAll(name);
        file.AddAccount(makeAccount("one"));
        file.Save(true);
        QCOMPARE(readAll(backup), first);
        const QByteArray second = readAll(name);
        QVERIFY(second != first);
        file.AddAccount(makeAccount("two"));
        file.Save(true);
        QCOMPARE(readAll(backup), second);
        const QByteArray third = readAll(name);
        file.Save(false);
        QCOMPARE(readAll(backup), second); // without backups the old one stays as it was
        QCOMPARE(readAll(name), third);
        QVERIFY(leftovers(dir.path()).isEmpty());

        // A backup that is another name of the file itself (a hard link made by hand) stays the
        // previous file, and the save leaves nothing of its own behind.
        QVERIFY(QFile::remove(backup));
        QCOMPARE(::link(QFile::encodeName(name).constData(), QFile::encodeName(backup).constData()), 0);
        file.AddAccount(makeAccount("three"));
        file.Save(true);
        QCOMPARE(readAll(backup), third);
        QVERIFY(readAll(name) != third);
        QCOMPARE(leftovers(dir.path()), QStringList());
    }

    void saveFollowsThePreferenceAndLinks() {
        const QString real = path("real.kvf"), link = path("link.kvf");
        TKYVNFile file;
        file.FileName = real;
        file.Password = "pw";
        file.Save(false);
        QVERIFY(QFile::link(real, link));
        TKYVNOptions options;
        options.BackupFiles = false;
        Options = &options;
        file.FileName = link;
        file.AddAccount(makeAccount("via link"));
        file.Save();
        QVERIFY(QFileInfo(link).isSymLink()); // the link stays; the file it names is replaced
        QVERIFY(!QFile::exists(path("Backup of real.kvf")));
        options.BackupFiles = true;
        file.Save();
        Options = nullptr;
        QVERIFY(QFile::exists(path("Backup of real.kvf")));
        TKYVNFile back;
        back.FileName = real;
        back.Load();
        QCOMPARE(back.GetAccount(0)->AccountName, QString("via link"));
    }

    void saveKeepsTheOwner() {
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        TKYVNFile file;
        file.FileName = path("owned.kvf");
        file.Password = "pw";
        file.Save(false);
        const QByteArray name = QFile::encodeName(file.FileName);
        QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
        // Saved by root on the user's behalf, the file must stay the user's, or the user is locked out.
        file.AddAccount(makeAccount("later"));
        file.Save(false);
        struct stat st;
        QCOMPARE(::stat(name.constData(), &st), 0);
        QCOMPARE(st.st_uid, uid_t(65534));
        QCOMPARE(st.st_gid, gid_t(65534));
        QCOMPARE(st.st_mode & 07777, 0600u);
    }

    void newFilesAreOwnerOnly() {
        TKYVNFile file;
        file.FileName = path("mode.kvf");
        file.Password = "pw";
        file.Save(true);
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(file.FileName).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        // A read-only file loads, and saving over it clears the mark.
        QVERIFY(::chmod(QFile::encodeName(file.FileName).constData(), 0400) == 0);
        TKYVNFile again;
        again.FileName = file.FileName;
        again.Load();
        again.Save(true);
        QCOMPARE(::stat(QFile::encodeName(file.FileName).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        QCOMPARE(::stat(QFile::encodeName(BackupFileName(file.FileName)).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0400u);
    }

    void failedSavesLeaveThePreviousFile_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("details");
        QDir().mkpath(path("a-folder.kvf"));
        writeAll(path("plain-file"), "x");
        QTest::newRow("folder in place of the file") << path("a-folder.kvf") << "Invalid filename";
        QTest::newRow("path under a file") << path("plain-file/x.kvf") << "Invalid filename";
        QTest::newRow("missing folder") << path("no-such-folder/x.kvf") << "File not found";
        QTest::newRow("device") << "/dev/full"
                                << "Invalid filename";
        QTest::newRow("no name") << ""
                                 << "File not found";
    }
    void failedSavesLeaveThePreviousFile() {
        QFETCH(QString, target);
        QFETCH(QString, details);
        TKYVNFile file;
        file.FileName = target;
        file.Password = "pw";
        file.AddAccount(makeAccount("x"));
        const auto error = raised([&] { file.Save(true); });
        QCOMPARE(error.first, QString("Error saving file '%1'.").arg(target));
        QCOMPARE(error.second, details);
        QVERIFY(QFileInfo(path("a-folder.kvf")).isDir());
        QCOMPARE(readAll(path("plain-file")), QByteArray("x"));
        QVERIFY(leftovers(dir.path()).isEmpty());
    }

    void textsTheFileCannotCarryAreRefused_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("LF in a name") << "Account Name"
                                      << "a\nb";
        QTest::newRow("CR in a login") << "Login"
                                       << "a\rb";
        QTest::newRow("NUL in a password") << "Password" << QString("a") + QChar(0) + "b";
        QTest::newRow("NUL in the notes") << "Notes" << QString("a") + QChar(0) + "b";
    }
    void textsTheFileCannotCarryAreRefused() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        TKYVNFile file;
        file.FileName = path("refused.kvf");
        file.Password = "pw";
        file.Save(false);
        const QByteArray before = readAll(file.FileName);
        auto* a = makeAccount("x");
        QString* texts[] = {&a->AccountName, &a->Login, &a->Password, &a->Email, &a->Web, &a->Notes};
        *texts[KyvnFieldOfCaption(field)] = value;
        file.AddAccount(a);
        const auto error = raised([&] { file.Save(true); });
        QCOMPARE(error.first, QString("Error saving file '%1'.").arg(file.FileName));
        QVERIFY2(error.second.contains("holds a line break or a NUL character"), qPrintable(error.second));
        QCOMPARE(readAll(file.FileName), before);
    }

    void saveOntoAFullFileSystem() {
        const QString mountPoint = path("full");
        TScratchMount mount(mountPoint, "size=64k,mode=0755");
        if (!mount.mounted())
            QSKIP("needs root to mount a small tmpfs");
        TKYVNFile file;
        file.FileName = mountPoint + "/full.kvf";
        file.Password = "pw";
        file.AddAccount(makeAccount("kept"));
        file.Save(true);
        const QByteArray before = readAll(file.FileName);
        // Fill the rest of the file system.
        {
            QFile filler(mountPoint + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray chunk(4096, 'f');
            while (filler.write(chunk) == chunk.size() && filler.flush()) {
            }
        }
        for (int i = 0; i < 200; ++i)
            file.AddAccount(makeAccount(QString("new %1").arg(i), QString(100, 'n')));
        const auto error = raised([&] { file.Save(true); });
        QCOMPARE(error.first, QString("Error saving file '%1'.").arg(file.FileName));
        QCOMPARE(error.second, QString("I/O error 28: No space left on device"));
        QCOMPARE(readAll(file.FileName), before);
        QVERIFY(leftovers(mountPoint).isEmpty());
        TKYVNFile back;
        back.FileName = file.FileName;
        back.Load();
        QCOMPARE(back.AccountCount(), 1);
    }

    void saveIntoAReadOnlyFolder() {
        const QString mountPoint = path("readonly");
        TScratchMount mount(mountPoint, "size=64k,mode=0755");
        if (!mount.mounted())
            QSKIP("needs root to mount a small tmpfs");
        TKYVNFile file;
        file.FileName = mountPoint + "/ro.kvf";
        file.Password = "pw";
        file.Save(true);
        const QByteArray before = readAll(file.FileName);
        mount.remountReadOnly();
        file.AddAccount(makeAccount("x"));
        const auto error = raised([&] { file.Save(true); });
        QCOMPARE(error.second, QString("File access denied"));
        QCOMPARE(readAll(file.FileName), before);
    }

    void accountsByName() {
        TKYVNFile file;
        file.AddAccount(makeAccount("Bank"));
        file.AddAccount(makeAccount("BANK"));
        file.AddAccount(makeAccount("Café"));
        QCOMPARE(file.FindAccount("bank"), file.GetAccount(0));
        QVERIFY(!file.FindAccount("CAFÉ")); // only a to z fold
        QCOMPARE(file.FindAccount("CAFé"), file.GetAccount(2));
        TKYVNAccount* first = file.FindAccount("bAnK");
        QVERIFY(file.DeleteAccount("bank"));
        QCOMPARE(file.AccountCount(), 2);
        QCOMPARE(file.GetAccount(0)->AccountName, QString("BANK"));
        QCOMPARE(file.AddAccount(first), 2); // a removed record can be added again, at the end
        QVERIFY(!file.DeleteAccount("nothing"));
        QVERIFY(!file.TakeAccount("nothing"));
        QCOMPARE(file.TakeAccount("café")->AccountName, QString("Café"));
        QCOMPARE(raised([&] { file.GetAccount(5); }).first, QString("List index out of bounds (5)"));
        QCOMPARE(raised([&] { file.GetAccount(-1); }).first, QString("List index out of bounds (-1)"));
    }

    void formatHelpers() {
        QCOMPARE(BoolToText(true), QString("True"));
        QCOMPARE(BoolToText(false), QString("False"));
        QVERIFY(TextToBool("True"));
        QVERIFY(!TextToBool("TRUE"));
        QVERIFY(!TextToBool("true"));
        QCOMPARE(DateToText(QDate(2003, 7, 4)), QString("04072003"));
        QCOMPARE(DateToText(KyvnDayZero()), QString("30121899"));
        QCOMPARE(TextToDate("04072003"), QDate(2003, 7, 4));
        QCOMPARE(ReplaceChar("a'b'", '\'', '\r'), QString("a\rb\r"));
        QCOMPARE(StripReserved("it's #1"), QString("its 1"));
        QVERIFY(KyvnSameText(u"Account NAME", u"account name"));
        QVERIFY(!KyvnSameText(u"Ä", u"ä"));
        QVERIFY(!KyvnSameText(u"ab", u"abc"));
        QCOMPARE(BackupFileName("/safe/Home.kvf"), QString("/safe/Backup of Home.kvf"));
        QCOMPARE(BackupFileName("Home.kvf"), QString("Backup of Home.kvf"));
        TKYVNAccount a;
        a.AccountName = "n";
        a.Notes = "x\r\ny";
        a.Protected = true;
        QCOMPARE(GetAccountField(a, "account name"), QString("n"));
        QCOMPARE(GetAccountField(a, "NOTES"), QString("x\r\ny"));
        QCOMPARE(GetAccountField(a, "Protected"), QString("True"));
        QCOMPARE(GetAccountField(a, "Colour"), QString());
        QVERIFY(!GetAccountField(a, "Created").isEmpty());
        QVERIFY(TempFolder().endsWith('/'));
    }

    void fileHelpers() {
        const QString src = path("copy-src"), dst = path("copy-dst");
        writeAll(src, "bytes");
        QVERIFY(CopyFileTo(src, dst));
        QCOMPARE(readAll(dst), QByteArray("bytes"));
        QVERIFY(!CopyFileTo(path("none"), dst));
        QVERIFY(FileExistsOnReadyDrive(dst));
        QVERIFY(!FileExistsOnReadyDrive(path("none")));
        QVERIFY(!FileExistsOnReadyDrive(dir.path()));
        QVERIFY(::chmod(QFile::encodeName(dst).constData(), 0400) == 0);
        DeleteFileForced(dst);
        QVERIFY(!QFile::exists(dst));
        DeleteFileForced(dst); // a missing file is no error
    }

    void generatedPasswords_data() {
        QTest::addColumn<int>("length");
        for (int n : {-1, 0, 1, 8, 20, 1000})
            QTest::addRow("%d", n) << n;
    }
    void generatedPasswords() {
        QFETCH(int, length);
        const QString p = GeneratePassword(length);
        QCOMPARE(p.size(), qMax(0, length));
        for (QChar c : p)
            QVERIFY(c.unicode() >= 40 && c.unicode() <= 124);
        QVERIFY(!HasReservedChars(p));
        if (length >= 20)
            QVERIFY(GeneratePassword(length) != p);
    }
    void generatorCoversTheRange() {
        QSet<QChar> seen;
        const QString p = GeneratePassword(20000);
        for (QChar c : p)
            seen.insert(c);
        QCOMPARE(seen.size(), 85);
    }
};

KYVN_TEST_CORE_MAIN(TestFile)
#include "tst_file.moc"
