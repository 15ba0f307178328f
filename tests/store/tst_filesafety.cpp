// What the passwords file must never do to a user's accounts: make damage permanent, garble accented
// letters file-wide for one bad byte, write when nothing changed, or replace a version written elsewhere.
#include "KyvnTest.h"

#include "FileText.h"
#include "FormDesigned.h"
#include "FormProtected.h"
#include "QsExceptions.h"
#include "QsReplaceFile.h"
#include "RefIdea.h"
#include "clsFile.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using KyvnTest::readAll;
using KyvnTest::writeAll;

namespace {

// Twelve accounts with accented letters in every one, so that a file-wide fall-back to Windows-1252
// shows in all of them.
void fillTwelve(TKYVNFile& file) {
    file.Password = "Grün";
    for (int i = 0; i < 12; ++i) {
        auto* a = new TKYVNAccount;
        a->AccountName = QString("Café %1").arg(i, 2, 10, QChar('0'));
        a->Login = QString("josé%1").arg(i);
        a->Password = QString("päss€%1").arg(i);
        a->Email = QString("u%1@example.com").arg(i);
        a->Web = QString("https://example.com/%1").arg(i);
        a->Notes = QString("Straße %1\r\nMünchen, ñandú — naïve").arg(i);
        a->Created = QDate(2003, 7, 4);
        a->Modified = QDate(2024, 2, 29);
        file.AddAccount(a);
    }
}

QByteArray twelvePlain() {
    TKYVNFile file;
    fillTwelve(file);
    return file.PlainText();
}

// Byte offset in the plain text where account k (0-based) begins.
qsizetype accountStart(const QByteArray& plain, int k) {
    return plain.indexOf(QString("#Café %1\r\n").arg(k, 2, 10, QChar('0')).toUtf8());
}

struct TStamp {
    QByteArray bytes;
    ino_t inode = 0;
    qint64 mtimeNs = 0;
    bool operator==(const TStamp& o) const { return bytes == o.bytes && inode == o.inode && mtimeNs == o.mtimeNs; }
};
TStamp stamp(const QString& path) {
    TStamp s;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        s.inode = st.st_ino;
        s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    s.bytes = readAll(path);
    return s;
}

void setModified(const QString& path, const QDateTime& when) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

QStringList keptVersions(const QString& folder) {
    return QDir(folder).entryList({"* (changed elsewhere *).kvf"}, QDir::Files);
}

} // namespace

class TestFileSafety : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void damagedFilesLoadWhatTheyCan_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("accounts");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QString>("warning"); // a part of the warning
        const QByteArray plain = twelvePlain();
        const QByteArray cipher = RefIdea::zeroKeyEcb(plain);

        // A flipped bit garbles one block of one value; the file's structure and every other value stand.
        QByteArray flipped = cipher;
        const qsizetype inNotes = plain.indexOf("Stra", accountStart(plain, 5));
        flipped[inNotes + 2] = char(flipped[inNotes + 2] ^ 0x10);
        QTest::newRow("one flipped bit in a value") << flipped << 12 << false << "";

        QByteArray nul = plain;
        nul[accountStart(plain, 2) + 3] = '\0';
        QTest::newRow("a NUL inside the text")
            << RefIdea::zeroKeyEcb(nul) << 2 << true
            << QString("Only 2 accounts could be read; %L1 bytes after them were left out. The file is opened "
                       "read-only so that nothing overwrites it; use Save As to keep what was read.")
                   .arg(plain.size() - accountStart(plain, 2));

        const qsizetype cut = (accountStart(plain, 7) + 20) / 8 * 8;
        QTest::newRow("truncated at a block") << cipher.left(cut) << 7 << true << "Only 7 accounts could be read";
        QTest::newRow("length not a multiple of 8")
            << cipher.left(cut + 3) << 7 << true << "Only 7 accounts could be read";

        QTest::newRow("cut inside the last line")
            << RefIdea::zeroKeyEcb(plain.left(plain.size() - 3)) << 11 << true << "Only 11 accounts could be read";
        QTest::newRow("cut inside a date, at a block")
            << cipher.left((accountStart(plain, 5) - 6) / 8 * 8) << 4 << true << "Only 4 accounts could be read";
        const QByteArray partial = plain + "#Extra\r\n#login\r\n#pw\r\n#mail\r\n";
        QTest::newRow("a trailing partial group")
            << RefIdea::zeroKeyEcb(partial) << 12 << true << "Only 12 accounts could be read; 28 bytes after them";
        QTest::newRow("one line after the last account")
            << RefIdea::zeroKeyEcb(plain + "#x\r\n") << 12 << true << "4 bytes after them were left out";
        QTest::newRow("no account left") << RefIdea::zeroKeyEcb(plain.left(accountStart(plain, 0) + 5)) << 0 << true
                                         << "No account could be read; 5 bytes after the file password";
        QTest::newRow("sound") << cipher << 12 << false << "";
    }
    void damagedFilesLoadWhatTheyCan() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, accounts);
        QFETCH(bool, damaged);
        QFETCH(QString, warning);
        const QString name = path("damaged.kvf");
        writeAll(name, bytes);
        const TStamp before = stamp(name);

        TKYVNFile file;
        file.FileName = name;
        file.Load();
        QCOMPARE(file.AccountCount(), accounts);
        QCOMPARE(file.Damaged(), damaged);
        QVERIFY2(file.DamageWarning().contains(warning), qPrintable(file.DamageWarning()));
        QCOMPARE(file.DamageWarning().isEmpty(), !damaged);
        QCOMPARE(file.Password, QString("Grün"));

        // Every account that was read but the one a flipped bit hit is whole, accents and all.
        TKYVNFile original;
        fillTwelve(original);
        int differing = 0;
        for (int i = 0; i < accounts; ++i) {
            const TKYVNAccount* a = file.GetAccount(i);
            const TKYVNAccount* o = original.GetAccount(i);
            differing += a->AccountName != o->AccountName || a->Login != o->Login || a->Password != o->Password ||
                         a->Notes != o->Notes;
        }
        QCOMPARE(differing, QTest::currentDataTag() == QByteArray("one flipped bit in a value") ? 1 : 0);

        // A write-back of the unchanged file writes nothing; a damaged file refuses even a change.
        QCOMPARE(file.WriteBack(true), QString());
        QVERIFY(stamp(name) == before);
        if (damaged) {
            file.Password = "changed";
            try {
                file.WriteBack(true);
                QFAIL("a write-back over a damaged file went through");
            } catch (const EQsException& e) {
                QCOMPARE(e.Message, QString("Error saving file '%1'.").arg(name));
                QCOMPARE(e.Details, file.DamageWarning());
            }
            QVERIFY(stamp(name) == before);
            QVERIFY(!QFileInfo::exists(BackupFileName(name)));
        }
    }

    void eachLineIsDecodedOnItsOwn_data() {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("notes");
        auto plainOf = [](const QList<QByteArray>& names, const QByteArray& notes) {
            QByteArray p = "ZKYVN\r\n#pw\r\n";
            for (const QByteArray& n : names)
                p += "#" + n + "\r\n#l\r\n#p\r\n#e\r\n#w\r\n#" + notes + "\r\n#False\r\n#04072003\r\n#04072003\r\n";
            return p;
        };
        // "Café" in Windows-1252 and in UTF-8.
        const QByteArray cafe1252 = "Caf\xe9", cafeUtf8 = "Caf\xc3\xa9";
        QTest::newRow("Windows-1252 file with one UTF-8 line")
            << plainOf({cafe1252 + " 1", cafeUtf8 + " 2", cafe1252 + " 3"}, "Stra\xdf"
                                                                            "e")
            << QStringList{"Café 1", "Café 2", "Café 3"} << "Straße";
        QTest::newRow("UTF-8 file with one Windows-1252 line")
            << plainOf({cafeUtf8 + " 1", cafe1252 + " 2", cafeUtf8 + " 3"}, "Stra\xc3\x9f"
                                                                            "e")
            << QStringList{"Café 1", "Café 2", "Café 3"} << "Straße";
        QTest::newRow("one damaged byte garbles one value")
            << plainOf({cafeUtf8 + " 1", "Caf\xc3\xa9\xff", cafeUtf8 + " 3"}, "na\xc3\xafve")
            << QStringList{"Café 1", "CafÃ©ÿ", "Café 3"} << "naïve";
        QTest::newRow("a leading U+FEFF is kept")
            << plainOf({"\xef\xbb\xbf"
                        "Bank",
                        "\xef\xbb\xbf"},
                       "\xef\xbb\xbf"
                       "note")
            << QStringList{QString(QChar(0xFEFF)) + "Bank", QString(QChar(0xFEFF))} << QString(QChar(0xFEFF)) + "note";
        QTest::newRow("Windows-1252 punctuation")
            << plainOf({"\x80 \x93quoted\x94 \x85"}, "\x9f") << QStringList{"€ “quoted” …"} << "Ÿ";
    }
    void eachLineIsDecodedOnItsOwn() {
        QFETCH(QByteArray, plain);
        QFETCH(QStringList, names);
        QFETCH(QString, notes);
        TKYVNFile file;
        file.ReadPlainText(plain);
        QCOMPARE(file.AccountCount(), names.size());
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(file.GetAccount(i)->AccountName, names[i]);
            QCOMPARE(file.GetAccount(i)->Notes, notes);
        }
        QVERIFY(!file.Damaged());
        // Written as UTF-8 and read back, nothing changes any more.
        TKYVNFile again;
        again.ReadPlainText(file.PlainText());
        QCOMPARE(again.PlainText(), file.PlainText());
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(again.GetAccount(i)->AccountName, names[i]);
    }

    // A load knows what a write would write without making it, only where the text read is exactly that:
    // then and only then the reading says so, and every text opens unchanged and closes unwritten.
    void whatAWriteWouldWriteIsKnownFromTheTextRead_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("alike");
        const QByteArray account = "#Bank\r\n#bob\r\n#pw\r\n#b@x.org\r\n#web\r\n#line'two#\r\n#True\r\n#01022003\r\n"
                                   "#15012004\r\n";
        const QByteArray head = "ZKYVN\r\n#secret\r\n";
        QTest::newRow("as written") << head + account + account << true;
        QTest::newRow("as written, 8-byte padding") << head + account + QByteArray(5, '\0') << true;
        QTest::newRow("no accounts") << head << true;
        QTest::newRow("UTF-8 accents") << head + QByteArray(account).replace("Bank", "Ärzte ünd Café €") << true;
        QTest::newRow("LF line ends") << QByteArray(head + account).replace("\r\n", "\n") << false;
        QTest::newRow("CR line ends") << QByteArray(head + account).replace("\r\n", "\r") << false;
        QTest::newRow("one LF line end") << head + QByteArray(account).replace("#pw\r\n", "#pw\n") << false;
        QTest::newRow("signature with LF") << "ZKYVN\n#secret\r\n" + account << false;
        QTest::newRow("8-bit line") << head + QByteArray(account).replace("Bank", "B\xe4nk") << false;
        QTest::newRow("other first character") << head + QByteArray(account).replace("#bob", "$bob") << false;
        QTest::newRow("empty line for a value") << head + QByteArray(account).replace("#bob\r\n", "\r\n") << false;
        QTest::newRow("flag in lower case") << head + QByteArray(account).replace("#True", "#true") << false;
        QTest::newRow("flag as anything") << head + QByteArray(account).replace("#True", "#yes") << false;
        QTest::newRow("flag False") << head + QByteArray(account).replace("#True", "#False") << true;
        QTest::newRow("date with dots") << head + QByteArray(account).replace("#01022003", "#01.02.2003") << false;
        QTest::newRow("bytes after the last account") << head + account + "#junk\r\n" << false;
        QTest::newRow("cut inside a line") << head + account + account.left(20) << false;
    }
    void whatAWriteWouldWriteIsKnownFromTheTextRead() {
        QFETCH(QByteArray, text);
        QFETCH(bool, alike);
        QString password;
        QList<TKYVNAccount*> accounts;
        TKYVNTextReading reading;
        try {
            reading = KyvnReadFileText(text, false, password, accounts);
        } catch (const std::exception&) {
            QVERIFY(!alike); // a text that does not read is not alike either
        }
        QCOMPARE(reading.WrittenAlike >= 0, alike);
        if (alike) {
            const QByteArray written = KyvnFileText(password, accounts);
            QCOMPARE(text.left(reading.WrittenAlike), written);
            QVERIFY(text.mid(reading.WrittenAlike).count('\0') == text.size() - reading.WrittenAlike);
        }
        qDeleteAll(accounts);

        // Through the file object, in both forms: opened and closed, the file is not written.
        const TKYVNProtectionCost cost = TKYVNProtectedForm::CostOfNewKeys();
        TKYVNProtectedForm::SetCostOfNewKeys({1, 8192}); // a quick key: the form is what counts here
        auto restore = qScopeGuard([cost] { TKYVNProtectedForm::SetCostOfNewKeys(cost); });
        for (const bool protect : {false, true}) {
            const QString name = path(protect ? "alike-p.kvf" : "alike.kvf");
            QFile::remove(name);
            QByteArray bytes;
            if (protect) {
                TKYVNProtectedForm form;
                bytes = form.Seal(text, "secret");
            } else {
                bytes = KyvnDesignedForm::Seal(text);
            }
            KyvnTest::writeAll(name, bytes);
            TKYVNFile file;
            file.FileName = name;
            file.Password = "secret";
            try {
                file.Load();
            } catch (const std::exception&) {
                continue; // refused as damaged or invalid: nothing to write back
            }
            if (file.Damaged())
                continue;
            QVERIFY(!file.Changed());
            QCOMPARE(file.WriteBack(false), QString());
            QCOMPARE(readAll(name), bytes);
            if (file.AccountCount() > 0) {
                file.GetAccount(0)->Login = "changed";
                QVERIFY(file.Changed());
            }
        }
    }

    // A copy's name is decided when the copy is written: a link to the open file planted after the name
    // was chosen makes the copy fail, and the file stays whole.
    void aCopyNeverLandsOnTheOpenFile() {
        const QString name = path("copied.kvf");
        TKYVNFile file;
        file.FileName = name;
        fillTwelve(file);
        file.Save(false);
        const QByteArray before = readAll(name);
        const QString copy = path("late-link.kvf");
        QFile::remove(copy);
        QsSetGuardedFiles([name] { return QStringList{name}; });
        QsBeforeReplaceHook() = [&](const QString&) { QFile::link(name, copy); };
        bool refused = false;
        try {
            file.SaveCopyAs(copy, TKYVNFileForm::Designed);
        } catch (const EQsException&) {
            refused = true;
        }
        QsBeforeReplaceHook() = nullptr;
        QsSetGuardedFiles({});
        QVERIFY(refused);
        QCOMPARE(readAll(name), before);
        QVERIFY(QFileInfo(copy).isSymLink());
        // without the link, the copy is written as asked
        QFile::remove(copy);
        file.SaveCopyAs(copy, TKYVNFileForm::Designed);
        QCOMPARE(readAll(copy), before);
    }

    void unchangedFilesAreNotWritten() {
        const QString name = path("quiet.kvf");
        {
            TKYVNFile file;
            file.FileName = name;
            fillTwelve(file);
            file.Save(true);
        }
        const TStamp before = stamp(name);
        QVERIFY(!QFileInfo::exists(BackupFileName(name)));
        for (int session = 0; session < 2; ++session) {
            TKYVNFile file;
            file.FileName = name;
            file.Load();
            QVERIFY(!file.Changed());
            QCOMPARE(file.WriteBack(true), QString());
            // a change undone is no change either
            file.GetAccount(3)->Login = "other";
            QVERIFY(file.Changed());
            file.GetAccount(3)->Login = "josé3";
            QCOMPARE(file.WriteBack(true), QString());
        }
        QVERIFY(stamp(name) == before);
        QVERIFY(!QFileInfo::exists(BackupFileName(name)));

        // A real change is written, and the previous file becomes the backup.
        TKYVNFile file;
        file.FileName = name;
        file.Load();
        file.GetAccount(0)->Login = "changed";
        QCOMPARE(file.WriteBack(true), QString());
        QCOMPARE(readAll(BackupFileName(name)), before.bytes);
        const TStamp written = stamp(name);
        QVERIFY(written.bytes != before.bytes);
        QVERIFY(!file.Changed());
        QCOMPARE(file.WriteBack(true), QString());
        QVERIFY(stamp(name) == written);

        // An 8-bit file is written back as UTF-8 only when something changes.
        const QString legacy = path("legacy.kvf");
        QFile::remove(legacy);
        QVERIFY(QFile::copy(KyvnTest::fixture("cp1252.kvf"), legacy));
        const TStamp legacyBefore = stamp(legacy);
        TKYVNFile old;
        old.FileName = legacy;
        old.Load();
        QCOMPARE(old.WriteBack(true), QString());
        QVERIFY(stamp(legacy) == legacyBefore);
    }

    void changesMadeElsewhereAreKept() {
        QTemporaryDir folder;
        const QString name = folder.filePath("Home.kvf");
        {
            TKYVNFile file;
            file.FileName = name;
            fillTwelve(file);
            file.Save(false);
        }
        TKYVNFile mine;
        mine.FileName = name;
        mine.Load();

        // Someone else (a sync, keyvane-cli) writes another version meanwhile.
        TKYVNFile theirs;
        theirs.FileName = name;
        theirs.Load();
        auto* added = new TKYVNAccount;
        added->AccountName = "Theirs";
        theirs.AddAccount(added);
        theirs.Save(false);
        const QByteArray theirBytes = readAll(name);
        setModified(name, QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));

        // Nothing changed here: nothing is written and nothing kept.
        QCOMPARE(mine.WriteBack(false), QString());
        QCOMPARE(readAll(name), theirBytes);
        QVERIFY(keptVersions(folder.path()).isEmpty());

        auto* mineAdded = new TKYVNAccount;
        mineAdded->AccountName = "Mine";
        mine.AddAccount(mineAdded);
        const QString kept = mine.WriteBack(false);
        QCOMPARE(kept, folder.filePath("Home (changed elsewhere 2026-03-04 050607).kvf"));
        QCOMPARE(readAll(kept), theirBytes);
        QCOMPARE(QFileInfo(kept).permissions() & 0x7777,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
        TKYVNFile onDisk;
        onDisk.FileName = name;
        onDisk.Load();
        QVERIFY(onDisk.FindAccount("Mine") && !onDisk.FindAccount("Theirs"));

        // The next write-back finds its own version: nothing more is kept.
        mine.GetAccount(0)->Login = "again";
        QCOMPARE(mine.WriteBack(false), QString());
        QCOMPARE(keptVersions(folder.path()).size(), 1);

        // The same bytes written anew (a sync that rewrote the file) are no change made elsewhere.
        const QByteArray same = readAll(name);
        QFile::remove(name);
        writeAll(name, same);
        mine.GetAccount(0)->Login = "third";
        QCOMPARE(mine.WriteBack(false), QString());

        // A second version of the same moment gets a name of its own.
        theirs.Save(false);
        setModified(name, QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
        mine.GetAccount(0)->Login = "fourth";
        QCOMPARE(mine.WriteBack(false), folder.filePath("Home (changed elsewhere 2026-03-04 050607 2).kvf"));

        // A file removed meanwhile is simply written again.
        QFile::remove(name);
        mine.GetAccount(0)->Login = "fifth";
        QCOMPARE(mine.WriteBack(false), QString());
        QVERIFY(QFileInfo::exists(name));
        QCOMPARE(keptVersions(folder.path()).size(), 2);
    }

    void theFolderLockKeepsOthersOut() {
        const QString name = path("locked.kvf");
        TKYVNFileLock held(name);
        try {
            TKYVNFileLock second(name, 50);
            QFAIL("a second lock was granted");
        } catch (const EQsException& e) {
            QVERIFY2(e.Message.contains("Another program is changing"), qPrintable(e.Message));
        }
        // Another folder is another lock.
        QTemporaryDir other;
        TKYVNFileLock elsewhere(other.filePath("x.kvf"), 50);
    }

    void staleSaveFilesGoWithTheNextSave() {
        QTemporaryDir folder;
        const QString name = folder.filePath("stale.kvf");
        TKYVNFile file;
        file.FileName = name;
        fillTwelve(file);
        file.Save(true);
        for (const char* stray : {".keyvane-save-aaaaaa", ".keyvane-backup-bbbbbb", ".keyvane-backup-cccccc.lnk"})
            writeAll(folder.filePath(stray), QByteArray(100, 'x'));
        // one that a running save holds stays
        writeAll(folder.filePath(".keyvane-save-running"), QByteArray(10, 'y'));
        const int running = ::open(QFile::encodeName(folder.filePath(".keyvane-save-running")).constData(), O_RDONLY);
        QVERIFY(running >= 0);
        QCOMPARE(::flock(running, LOCK_EX), 0);
        // files of other names are the user's
        writeAll(folder.filePath(".keyvane-notes"), "mine");
        writeAll(folder.filePath("keyvane-save-visible"), "mine");

        file.GetAccount(0)->Login = "changed";
        file.Save(true);
        QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        QCOMPARE(left, (QStringList{".keyvane-notes", ".keyvane-save-running", "Backup of stale.kvf",
                                    "keyvane-save-visible", "stale.kvf"}));
        ::close(running);
        file.Save(true);
        QVERIFY(!QFileInfo::exists(folder.filePath(".keyvane-save-running")));
    }
};

KYVN_TEST_CORE_MAIN(TestFileSafety)
#include "tst_filesafety.moc"
