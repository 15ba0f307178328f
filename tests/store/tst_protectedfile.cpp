#include "KyvnTest.h"

#include "FormProtected.h"
#include "QsExceptions.h"
#include "clsFile.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using KyvnTest::readAll;
using KyvnTest::writeAll;

namespace {

// The cheapest key the format allows: the tests derive hundreds of keys.
const TKYVNProtectionCost kCheap{1, 8192};

TKYVNAccount* account(const QString& name, const QString& password, const QString& notes = QString()) {
    auto* a = new TKYVNAccount;
    a->AccountName = name;
    a->Login = name + "-login";
    a->Password = password;
    a->Email = name + "@example.com";
    a->Web = "https://example.com/" + name;
    a->Notes = notes;
    a->Created = QDate(2021, 3, 4);
    a->Modified = QDate(2024, 2, 29);
    return a;
}

// Writes a file of the given form with two accounts.
void makeFile(const QString& path, TKYVNFileForm form, const QString& password = "Abc12345") {
    TKYVNFile f;
    f.FileName = path;
    f.Password = password;
    f.SetForm(form);
    f.AddAccount(account("Bank", "it's#1", "line one\r\nline two"));
    f.AddAccount(account("Mail", "m4il"));
    f.Save(false);
}

enum class Outcome { Opened, WrongPassword, Refused, OtherError };

Outcome load(const QString& path, const QString& password, QString* message = nullptr) {
    TKYVNFile f;
    f.FileName = path;
    f.Password = password;
    try {
        f.Load();
        return Outcome::Opened;
    } catch (const EKYVNWrongPassword& e) {
        if (message)
            *message = e.Message;
        return Outcome::WrongPassword;
    } catch (const EKYVNRefusedHeader& e) {
        if (message)
            *message = e.Details;
        return Outcome::Refused;
    } catch (const EQsException& e) {
        if (message)
            *message = e.Message + " " + e.Details;
        return Outcome::OtherError;
    }
}

void setLe32(QByteArray& bytes, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(v >> (8 * i));
}

} // namespace

class TestProtectedFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase() { TKYVNProtectedForm::SetCostOfNewKeys(kCheap); }

    void roundTripKeepsEveryValueAndTheHeaderIsAsLaidOut() {
        const QString p = path("round.kvf");
        makeFile(p, TKYVNFileForm::Protected);
        const QByteArray bytes = readAll(p);
        QCOMPARE(bytes.left(8), QByteArray::fromHex("894B56460D0A1A0A"));
        QCOMPARE(bytes.mid(8, 3), QByteArray::fromHex("020001"));
        QCOMPARE(bytes.mid(11, 9), QByteArray::fromHex("01000000"
                                                       "00200000"
                                                       "01"));
        QCOMPARE(bytes.at(36), char(1));
        QVERIFY(!bytes.contains("Abc12345"));
        QVERIFY(!bytes.contains("Bank"));
        QCOMPARE(QFileInfo(p).permissions() & 0x0077, QFileDevice::Permissions());

        TKYVNFile f;
        f.FileName = p;
        f.Password = "Abc12345";
        f.Load();
        QVERIFY(f.IsProtected());
        QCOMPARE(f.AccountCount(), 2);
        QCOMPARE(f.GetAccount(0)->Password, QString("it's#1"));
        QCOMPARE(f.GetAccount(0)->Notes, QString("line one\r\nline two"));
        QCOMPARE(f.Password, QString("Abc12345"));
        // The plain text is the designed layout: its length is what the body carries.
        QCOMPARE(bytes.size(), TKYVNProtectedForm::SmallestFile + f.PlainText().size());
        QCOMPARE(f.Protection(), QString("Argon2id, 8 MiB, 1 pass; XChaCha20-Poly1305"));
        QCOMPARE(f.FormDescription(), QString("protected (Argon2id, 8 MiB, 1 pass; XChaCha20-Poly1305)"));
        QVERIFY(!f.Changed());
    }

    void passwordsAreCheckedByTheStore_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        const int prot = int(TKYVNFileForm::Protected), designed = int(TKYVNFileForm::Designed);
        QTest::newRow("protected, same") << prot << "Abc12345" << true;
        QTest::newRow("protected, other case") << prot << "abc12345" << false;
        QTest::newRow("protected, other") << prot << "Abc1234" << false;
        QTest::newRow("designed, same") << designed << "Abc12345" << true;
        QTest::newRow("designed, folded as the older program did") << designed << "aBC12345" << true;
        QTest::newRow("designed, other") << designed << "Abc1234" << false;
    }
    void passwordsAreCheckedByTheStore() {
        QFETCH(int, form);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        const QString p = path(QString("check%1.kvf").arg(form));
        makeFile(p, TKYVNFileForm(form));
        TKYVNFile f;
        f.FileName = p;
        QCOMPARE(f.Examine(), TKYVNFileForm(form));
        if (f.Examine() == TKYVNFileForm::Protected) {
            QCOMPARE(f.LoadWithPassword(typed), accepted);
            if (!accepted)
                QCOMPARE(f.AccountCount(), 0);
        } else {
            f.Load();
            QCOMPARE(f.CheckPassword(typed), accepted);
        }
    }

    void wrongPasswordLoadsNothingAndLeavesTheFile() {
        const QString p = path("wrong.kvf");
        makeFile(p, TKYVNFileForm::Protected);
        const QByteArray before = readAll(p);
        QString message;
        QCOMPARE(load(p, "Abc12346", &message), Outcome::WrongPassword);
        QCOMPARE(message, QString("The password is wrong, or the file was changed or damaged."));
        QCOMPARE(readAll(p), before);
    }

    void everySingleByteChangeIsRefused() {
        const QString p = path("flip.kvf");
        makeFile(p, TKYVNFileForm::Protected);
        const QByteArray good = readAll(p);
        const QString changed = path("flipped.kvf");
        for (int i = 0; i < good.size(); ++i) {
            QByteArray bad = good;
            bad[i] = char(bad[i] ^ 0x01);
            writeAll(changed, bad);
            const Outcome o = load(changed, "Abc12345");
            QVERIFY2(o == Outcome::WrongPassword || o == Outcome::Refused || o == Outcome::OtherError,
                     qPrintable(QString("byte %1 changed, yet the file opened").arg(i)));
            QCOMPARE(readAll(changed), bad);
        }
        QCOMPARE(load(p, "Abc12345"), Outcome::Opened);
    }

    void cutAndLengthenedFilesAreRefused() {
        const QString p = path("cut.kvf");
        makeFile(p, TKYVNFileForm::Protected);
        const QByteArray good = readAll(p);
        const QString changed = path("cut-changed.kvf");
        for (int n = 8; n < good.size(); ++n) {
            writeAll(changed, good.left(n));
            const Outcome o = load(changed, "Abc12345");
            QCOMPARE(o, n < TKYVNProtectedForm::SmallestFile ? Outcome::Refused : Outcome::WrongPassword);
        }
        for (const QByteArray& tail : {QByteArray(1, '\0'), QByteArray("\r\n"), QByteArray(16, 'x')}) {
            writeAll(changed, good + tail);
            QCOMPARE(load(changed, "Abc12345"), Outcome::WrongPassword);
        }
    }

    void refusedHeadersCostNoDerivation_data() {
        QTest::addColumn<int>("at");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("message");
        QTest::newRow("newer major") << 8 << 3u << 1 << "made by a newer version of Keyvane";
        QTest::newRow("unknown derivation") << 10 << 2u << 1 << "key derivation";
        QTest::newRow("no passes") << 11 << 0u << 4 << "0 passes";
        QTest::newRow("65 passes") << 11 << 65u << 4 << "65 passes";
        QTest::newRow("4 GiB and 1 KiB") << 15 << 4194305u << 4 << "4194305 KiB";
        QTest::newRow("under 8 MiB") << 15 << 8191u << 4 << "8191 KiB";
        QTest::newRow("two lanes") << 19 << 2u << 1 << "2 lanes";
        QTest::newRow("unknown cipher") << 36 << 2u << 1 << "cipher";
        QTest::newRow("too short") << -1 << 0u << 0 << "cut short";
    }
    void refusedHeadersCostNoDerivation() {
        QFETCH(int, at);
        QFETCH(quint32, value);
        QFETCH(int, width);
        QFETCH(QString, message);
        const QString p = path("header.kvf");
        makeFile(p, TKYVNFileForm::Protected);
        QByteArray bytes = readAll(p);
        if (at < 0)
            bytes = bytes.left(TKYVNProtectedForm::SmallestFile - 1);
        else if (width == 4)
            setLe32(bytes, at, value);
        else
            bytes[at] = char(value);
        writeAll(p, bytes);
        const quint64 before = TKYVNProtectedForm::Derivations();
        TKYVNFile probe;
        probe.FileName = p;
        QVERIFY_THROWS_EXCEPTION(EKYVNRefusedHeader, probe.Examine());
        QString said;
        QCOMPARE(load(p, "Abc12345", &said), Outcome::Refused);
        QVERIFY2(said.contains(message), qPrintable(said));
        QCOMPARE(TKYVNProtectedForm::Derivations(), before);
        QCOMPARE(readAll(p), bytes);
    }

    void savesKeepTheSaltAndANewPasswordDrawsANewOne() {
        const QString p = path("salt.kvf");
        makeFile(p, TKYVNFileForm::Protected);
        TKYVNFile f;
        f.FileName = p;
        f.Password = "Abc12345";
        f.Load();
        const QByteArray first = readAll(p);
        const quint64 before = TKYVNProtectedForm::Derivations();
        f.AddAccount(account("Shop", "x"));
        f.Save(false);
        const QByteArray second = readAll(p);
        QCOMPARE(TKYVNProtectedForm::Derivations(), before); // a save derives nothing
        QCOMPARE(second.mid(20, 16), first.mid(20, 16));
        QVERIFY(second.mid(37, 24) != first.mid(37, 24));
        f.Password = "A passphrase it's #long";
        QVERIFY(f.Changed());
        f.Save(false);
        const QByteArray third = readAll(p);
        QVERIFY(third.mid(20, 16) != first.mid(20, 16));
        QCOMPARE(load(p, "Abc12345"), Outcome::WrongPassword);
        QCOMPARE(load(p, "A passphrase it's #long"), Outcome::Opened);
    }

    void filesKeepTheirFormAndConvertWhenTold() {
        const QString p = path("old.kvf");
        makeFile(p, TKYVNFileForm::Designed);
        const QByteArray designed = readAll(p);
        {
            TKYVNFile f;
            f.FileName = p;
            f.Load();
            QCOMPARE(f.Form(), TKYVNFileForm::Designed);
            QCOMPARE(f.Protection(), QString("None: fixed key"));
            QCOMPARE(f.FormDescription(), QString("not protected (fixed key)"));
            f.GetAccount(1)->Login = "changed";
            f.Save(true);
            // The designed form stays byte for byte as the designed writer makes it.
            QCOMPARE(TKYVNFile::Decipher(readAll(p)).left(f.PlainText().size()), f.PlainText());
            QVERIFY(!readAll(p).startsWith("\x89KVF"));
            QCOMPARE(readAll(BackupFileName(p)), designed);

            f.SetForm(TKYVNFileForm::Protected);
            QVERIFY(f.Changed());
            QCOMPARE(f.WriteBack(true), QString());
        }
        // Converted: every account kept, and no readable copy made by Keyvane beside it.
        QVERIFY(readAll(p).startsWith("\x89KVF"));
        QVERIFY(readAll(BackupFileName(p)).startsWith("\x89KVF"));
        const QStringList beside = QDir(dir.path()).entryList({"*old*"}, QDir::Files | QDir::Hidden);
        QCOMPARE(beside, QStringList({"Backup of old.kvf", "old.kvf"}));
        TKYVNFile back;
        back.FileName = BackupFileName(p);
        QVERIFY(back.LoadWithPassword("Abc12345"));
        QCOMPARE(back.AccountCount(), 2);
        QCOMPARE(back.GetAccount(1)->Login, QString("changed"));
        QCOMPARE(back.GetAccount(0)->Password, QString("it's#1"));

        // Save As in the designed form, for the older program: the designed reader opens it.
        const QString older = path("for-older.kvf");
        back.FileName = older;
        back.SetForm(TKYVNFileForm::Designed);
        back.Save(true);
        QVERIFY(!QFile::exists(BackupFileName(older)));
        TKYVNFile reread;
        reread.LoadBytes(readAll(older));
        QCOMPARE(reread.Form(), TKYVNFileForm::Designed);
        QCOMPARE(reread.AccountCount(), 2);
        QCOMPARE(reread.PlainText(), back.PlainText());
    }

    void copiesAreWrittenInTheChosenForm() {
        const QString p = path("source.kvf");
        makeFile(p, TKYVNFileForm::Protected);
        TKYVNFile f;
        f.FileName = p;
        QVERIFY(f.LoadWithPassword("Abc12345"));
        const QByteArray before = readAll(p);
        f.SaveCopyAs(path("copy-protected.kvf"), TKYVNFileForm::Protected);
        f.SaveCopyAs(path("copy-designed.kvf"), TKYVNFileForm::Designed);
        QCOMPARE(readAll(p), before);
        QCOMPARE(f.FileName, p);
        QVERIFY(!f.Changed());
        QCOMPARE(load(path("copy-protected.kvf"), "Abc12345"), Outcome::Opened);
        QCOMPARE(load(path("copy-protected.kvf"), "wrong"), Outcome::WrongPassword);
        TKYVNFile designed;
        designed.LoadBytes(readAll(path("copy-designed.kvf")));
        QCOMPARE(designed.Form(), TKYVNFileForm::Designed);
        QCOMPARE(designed.PlainText(), f.PlainText());
        QVERIFY(f.IsProtected());
    }

    void aLoadThatDoesNotOpenKeepsNothing() {
        // A wrong password after a good one must not leave the first file's accounts or key behind.
        const QString p = path("twice.kvf");
        makeFile(p, TKYVNFileForm::Protected);
        TKYVNFile f;
        f.FileName = p;
        QVERIFY(f.LoadWithPassword("Abc12345"));
        QVERIFY(!f.LoadWithPassword("nope"));
        QCOMPARE(f.AccountCount(), 0);
        QVERIFY(f.Password.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProtectedFile)
#include "tst_protectedfile.moc"
