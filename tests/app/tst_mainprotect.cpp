// Protected passwords files in the main window, end to end through the answer seam: opening with each try
// verified, the refused header, the mark and the question of an unprotected file, Protect File..., the two
// types of Save As and Save Copy As, File Properties and a new file password.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsFilePropsFrm.h"
#include "QsMsgFrm.h"
#include "QsRegUtils.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "frmMerge.h"
#include "frmPassword.h"
#include "uOptions.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <memory>

using KyvnTest::readAll;
using KyvnTest::writeAll;

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kOlderType = QStringLiteral("Keyvane 1.3 Files, not protected (*.kvf)");

bool isProtected(const QString& path) {
    return readAll(path).startsWith("\x89KVF");
}
} // namespace

class TestMainProtect : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;
    QStringList details;

    QString makeFile(const QString& name, TKYVNFileForm form, const QString& password = "pw12") {
        const QString path = dir.filePath(name);
        TKYVNFile f;
        f.FileName = path;
        f.Password = password;
        f.SetForm(form);
        for (const char* n : {"Bank", "Mail"}) {
            auto* a = new TKYVNAccount;
            a->AccountName = n;
            a->Login = QString(n).toLower();
            a->Password = "it's #" + QString(n);
            f.AddAccount(a);
        }
        f.Save(false);
        return path;
    }
    void open(const QString& path, const QVariant& password) {
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", password);
        QVERIFY(w->RunCommand(w->actFileOpen));
    }
    bool questionShown() const { return w->tbProtect->isVisibleTo(w.get()); }
    bool markShown() const { return w->sbProtection->isVisibleTo(w.get()); }

private slots:
    void initTestCase() {
        TKYVNProtectedForm::SetCostOfNewKeys({1, 8192});
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        AppInfo->RegistryRoot = TQsRegRoot::LocalMachine;
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        Options->BackupFiles = true;
        ListLayout = new TKYVNList;
    }
    void init() {
        QsAnswers::Clear();
        ListLayout->Clear();
        ListLayout->SetDefaults();
        w = std::make_unique<TKYVNMain>();
        w->show();
        errors.clear();
        details.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message : QString("?: ") + (e ? e->what() : ""));
            details << (q ? q->Details : QString());
        });
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    void newFilesAreProtected() {
        const QString path = dir.filePath("new.kvf");
        QsAnswers::Push("SaveFile", path);
        QsAnswers::Push("TPassEdit", "a passphrase with ' and # in it");
        QVERIFY(w->RunCommand(w->actFileNew));
        QCOMPARE(errors, QStringList());
        QVERIFY(isProtected(path));
        w->alMainUpdate();
        QVERIFY(!markShown());
        QVERIFY(!questionShown());
        QVERIFY(!w->actFileProtect->isEnabled());
        TKYVNFile f;
        f.FileName = path;
        QVERIFY(f.LoadWithPassword("a passphrase with ' and # in it"));
    }

    // Each try opens the file; two wrong ones are told alike, the third ends the question.
    void openingVerifiesEachTry_data() {
        QTest::addColumn<QStringList>("tries");
        QTest::addColumn<bool>("opened");
        QTest::newRow("right at once") << QStringList{"pw12"} << true;
        QTest::newRow("right at the third") << QStringList{"PW12", "pw1", "pw12"} << true;
        QTest::newRow("three wrong") << QStringList{"PW12", "pw1", "pw13"} << false;
    }
    void openingVerifiesEachTry() {
        QFETCH(QStringList, tries);
        QFETCH(bool, opened);
        const QString path = makeFile("tries.kvf", TKYVNFileForm::Protected);
        const QByteArray before = readAll(path);
        QsAnswers::Push("OpenFile", path);
        const quint64 derived = TKYVNProtectedForm::Derivations();
        // one showing of the dialog, typed into again after each refusal
        QsAnswers::PushHandler("TPassEdit", [tries](QObject* dialog) {
            auto* d = static_cast<TPassEdit*>(dialog);
            for (const QString& t : tries) {
                d->txtPassword->setText(t);
                d->cmdOK->click();
                if (d->Accepted)
                    break;
            }
            return QVariant(d->Accepted ? 1 : 0);
        });
        if (!opened)
            QsAnswers::Push("QsMessage", QsAnswerOK);
        QVERIFY(w->RunCommand(w->actFileOpen));
        QCOMPARE(w->FileOpen, opened);
        QCOMPARE(TKYVNProtectedForm::Derivations() - derived, quint64(tries.size()));
        QStringList said;
        for (int i = 0; i < tries.size() - 1; ++i)
            said << "1: The password is wrong, or the file was changed or damaged.";
        QCOMPARE(errors, said);
        if (!opened)
            QVERIFY(QsAnswers::Log().join('\n').contains(
                "The password is wrong, or the file was changed or damaged. File access denied."));
        QCOMPARE(readAll(path), before);
    }

    void aRefusedHeaderIsToldBeforeAnyTry() {
        const QString path = makeFile("newer.kvf", TKYVNFileForm::Protected);
        QByteArray bytes = readAll(path);
        bytes[8] = 3;
        writeAll(path, bytes);
        const quint64 derived = TKYVNProtectedForm::Derivations();
        QsAnswers::Push("OpenFile", path);
        QVERIFY(w->RunCommand(w->actFileOpen)); // no password answer is queued: none is asked
        QCOMPARE(errors, QStringList{"1: Error loading file 'newer.kvf'."});
        QVERIFY2(details.value(0).contains("made by a newer version of Keyvane"), qPrintable(details.value(0)));
        QCOMPARE(TKYVNProtectedForm::Derivations(), derived);
        QVERIFY(!w->FileOpen);
        QCOMPARE(readAll(path), bytes);
    }

    void anOlderFileIsMarkedAndAskedOnce() {
        const QString path = makeFile("older.kvf", TKYVNFileForm::Designed);
        const QByteArray before = readAll(path);
        open(path, "PW12"); // the older form folds a to z, as it did
        QCOMPARE(errors, QStringList());
        w->alMainUpdate();
        QVERIFY(markShown());
        QCOMPARE(w->sbProtection->text(), QString("Not protected"));
        QVERIFY(questionShown());
        QCOMPARE(w->lblProtectQuestion->text(),
                 QString("'older.kvf' is not protected by its password: anyone who gets a copy of it can read every "
                         "password in it. Protect it now? Keyvane 1.3 and older cannot open a protected file."));
        KyvnTest::shoot(w.get(), "protect-question");
        w->cmdProtectNo->click();
        QVERIFY(!questionShown());
        QVERIFY(w->actFileProtect->isEnabled());
        QCOMPARE(readAll(path), before); // a No writes nothing
        w->RunCommand(w->actFileClose);
        open(path, "pw12");
        QVERIFY(!questionShown()); // remembered for this path
        QVERIFY(markShown());
        // another path is asked
        const QString other = makeFile("other.kvf", TKYVNFileForm::Designed);
        open(other, "pw12");
        QVERIFY(questionShown());
        // a read-only open is not asked
        w->RunCommand(w->actFileClose);
        QFile::setPermissions(other, QFile::ReadOwner);
        open(other, "pw12");
        QVERIFY(!questionShown());
        QFile::setPermissions(other, QFile::ReadOwner | QFile::WriteOwner);
    }

    void protectNowConvertsTheFileAndItsBackup() {
        const QString path = makeFile("convert.kvf", TKYVNFileForm::Designed);
        writeAll(BackupFileName(path), readAll(path)); // an older backup, readable by anyone with a copy
        open(path, "pw12");
        QVERIFY(questionShown());
        w->cmdProtectNow->click();
        QCOMPARE(errors, QStringList());
        QVERIFY(isProtected(path));
        QVERIFY(isProtected(BackupFileName(path)));
        w->alMainUpdate();
        QVERIFY(!markShown());
        QVERIFY(!questionShown());
        TKYVNFile f;
        f.FileName = path;
        QVERIFY(f.LoadWithPassword("pw12"));
        QCOMPARE(f.AccountCount(), 2);
        QCOMPARE(f.GetAccount(0)->Password, QString("it's #Bank"));
    }

    void protectFileAsksThePasswordFirst() {
        const QString path = makeFile("command.kvf", TKYVNFileForm::Designed);
        open(path, "pw12");
        w->cmdProtectNo->click();
        const QByteArray before = readAll(path);
        QsAnswers::PushHandler("TPassEdit", [](QObject* dialog) {
            static_cast<TPassEdit*>(dialog)->cmdCancel->click();
            return QVariant(0);
        });
        QVERIFY(w->RunCommand(w->actFileProtect));
        QCOMPARE(readAll(path), before); // cancelled: nothing written
        QsAnswers::Push("TPassEdit", "pw12");
        QVERIFY(w->RunCommand(w->actFileProtect));
        QCOMPARE(errors, QStringList());
        QVERIFY(isProtected(path));
        QVERIFY(!w->actFileProtect->isEnabled());
    }

    void saveAsAndCopyOfferBothForms() {
        const QString path = makeFile("both.kvf", TKYVNFileForm::Protected);
        open(path, "pw12");
        const QString older = dir.filePath("for-1.3.kvf");
        const QString copy = dir.filePath("copy.kvf");
        QsAnswers::Push("SaveFile", QStringList{older, kOlderType});
        QVERIFY(w->RunCommand(w->actFileSaveCopy));
        QsAnswers::Push("SaveFile", copy);
        QVERIFY(w->RunCommand(w->actFileSaveCopy));
        QCOMPARE(errors, QStringList());
        QVERIFY(!isProtected(older));
        QVERIFY(isProtected(copy));
        QVERIFY(isProtected(path));
        TKYVNFile designed;
        designed.LoadBytes(readAll(older));
        QCOMPARE(designed.AccountCount(), 2);
        // Save As in the older form: the window goes on with that file, marked.
        const QString asOlder = dir.filePath("as-older.kvf");
        QsAnswers::Push("SaveFile", QStringList{asOlder, kOlderType});
        QVERIFY(w->RunCommand(w->actFileSaveAs));
        QVERIFY(!isProtected(asOlder));
        w->alMainUpdate();
        QVERIFY(markShown());
        // A password the older program cannot take is refused for the older form, and nothing is written.
        const QString passphrase = makeFile("long.kvf", TKYVNFileForm::Protected, "a passphrase that is long enough");
        open(passphrase, "a passphrase that is long enough");
        QsAnswers::Push("SaveFile", QStringList{dir.filePath("refused.kvf"), kOlderType});
        QVERIFY(w->RunCommand(w->actFileSaveAs));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains("cannot be kept in a Keyvane 1.3 file"), qPrintable(errors[0]));
        QVERIFY(!QFile::exists(dir.filePath("refused.kvf")));
        QCOMPARE(w->OpenFilePath, passphrase);
    }

    void filePropertiesShowTheProtection_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("shown");
        QTest::newRow("protected") << int(TKYVNFileForm::Protected) << "Argon2id, 8 MiB, 1 pass; XChaCha20-Poly1305";
        QTest::newRow("older") << int(TKYVNFileForm::Designed) << "None: fixed key";
        QTest::newRow("shipped cost") << -1 << "Argon2id, 256 MiB, 3 passes; XChaCha20-Poly1305";
    }
    void filePropertiesShowTheProtection() {
        QFETCH(int, form);
        QFETCH(QString, shown);
        // the shipped cost once, for the text a user sees
        if (form < 0)
            TKYVNProtectedForm::SetCostOfNewKeys(TKYVNProtectionCost());
        const QString path =
            makeFile(QString("props%1.kvf").arg(form), form < 0 ? TKYVNFileForm::Protected : TKYVNFileForm(form));
        TKYVNProtectedForm::SetCostOfNewKeys({1, 8192});
        open(path, "pw12");
        QString seen;
        QsAnswers::PushHandler("TFilePropsForm", [&seen](QObject* dialog) {
            auto* form = static_cast<TFilePropsForm*>(dialog);
            seen = form->txtProtection->text();
            KyvnTest::shoot(form, QStringLiteral("protect-properties-%1").arg(QTest::currentDataTag()));
            return QVariant(1);
        });
        QVERIFY(w->RunCommand(w->actFileProperties));
        QCOMPARE(seen, shown);
    }

    void aNewPasswordGetsANewSaltAndAcceptsAPassphrase() {
        const QString path = makeFile("newpw.kvf", TKYVNFileForm::Protected);
        open(path, "pw12");
        const QByteArray salt = readAll(path).mid(20, 16);
        const QString passphrase = QString("correct horse ' battery # staple ") + QString(90, 'x');
        QCOMPARE(passphrase.size(), 123);
        QsAnswers::Push("TPassEdit", QStringList{"pw12", passphrase, passphrase});
        QVERIFY(w->RunCommand(w->actFilePassword));
        QCOMPARE(errors, QStringList());
        QVERIFY(readAll(path).mid(20, 16) != salt);
        TKYVNFile f;
        f.FileName = path;
        QVERIFY(!f.LoadWithPassword("pw12"));
        QVERIFY(f.LoadWithPassword(passphrase));
        QCOMPARE(f.AccountCount(), 2);
    }

    void theMergesSecondFileMayBeProtected() {
        const QString into = makeFile("merge-into.kvf", TKYVNFileForm::Designed);
        const QString second = makeFile("merge-second.kvf", TKYVNFileForm::Protected, "other pw's #");
        open(into, "pw12");
        w->cmdProtectNo->click();
        // wrong once, then right: the wizard opens with the second file's accounts
        QsAnswers::Push("OpenFile", second);
        QsAnswers::PushHandler("TPassEdit", [](QObject* dialog) {
            auto* d = static_cast<TPassEdit*>(dialog);
            for (const char* t : {"wrong", "other pw's #"}) {
                d->txtPassword->setText(t);
                d->cmdOK->click();
            }
            return QVariant(d->Accepted ? 1 : 0);
        });
        int seen = -1;
        QsAnswers::PushHandler("TMergeWzd", [&seen](QObject* wizard) {
            seen = int(qobject_cast<TMergeWzd*>(wizard)->MergeFile->AccountCount());
            return QVariant(0);
        });
        QVERIFY(w->RunCommand(w->actFileMerge));
        QCOMPARE(errors, QStringList{"1: The password is wrong, or the file was changed or damaged."});
        QCOMPARE(seen, 2);
    }
};

KYVN_TEST_MAIN(TestMainProtect)
#include "tst_mainprotect.moc"
