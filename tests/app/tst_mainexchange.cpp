// The Export, Merge and Import commands of the main window, end to end: real passwords files on disk, the real
// wizards driven through the answer seam, and the files read back afterwards.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsMsgFrm.h"
#include "QsRegUtils.h"
#include "QsReplaceFile.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmAccount.h"
#include "frmExport.h"
#include "frmImport.h"
#include "frmMain.h"
#include "frmMerge.h"
#include "uOptions.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include <unistd.h>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");

// name:login of every account of the file on disk, in file order.
QStringList onDisk(const QString& path) {
    TKYVNFile f;
    f.FileName = path;
    f.Load();
    QStringList out;
    for (const TKYVNAccount* a : f.Accounts)
        out << a->AccountName + ":" + a->Login;
    return out;
}
QStringList inMemory() {
    QStringList out;
    for (const TKYVNAccount* a : CurrentFile->Accounts)
        out << a->AccountName + ":" + a->Login;
    return out;
}
} // namespace

class TestMainExchange : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

    QString makeFile(const QString& name, const QString& password, const QList<std::pair<QString, QString>>& accounts) {
        const QString path = name.startsWith('/') ? name : dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        TKYVNFile f;
        f.FileName = path;
        f.Password = password;
        for (const auto& [accountName, login] : accounts) {
            auto* a = new TKYVNAccount;
            a->AccountName = accountName;
            a->Login = login;
            a->Password = "pw-" + login;
            f.AddAccount(a);
        }
        f.Save(false);
        return path;
    }
    void open(const QString& path, const QString& password) {
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", password);
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
    }
    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < w->RowCount(); ++i)
            names << w->CellText(i, 0);
        names.sort();
        return names;
    }
    // Drives the merge wizard: Next through the analysis, checks the rows named, then imports. before
    // runs once the import finished, still inside the wizard.
    void answerMerge(const QStringList& check, std::function<void()> before = {}) {
        QsAnswers::PushHandler("TMergeWzd", [check, before](QObject* o) {
            auto* m = qobject_cast<TMergeWzd*>(o);
            m->cmdNext->click();
            m->cmdNext->click();
            for (int r = 0; r < m->lvModel->rowCount(); ++r)
                if (check.contains(m->lvModel->Names()[r]))
                    m->lvModel->setData(m->lvModel->index(r, 0), Qt::Checked, Qt::CheckStateRole);
            if (m->Step == TMergeWzd::StepInconsistencies)
                m->cmdNext->click();
            m->cmdNext->click();
            if (before)
                before();
            return QVariant(m->Step);
        });
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
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
        Options->ExportPassword = false;
        w = std::make_unique<TKYVNMain>();
        errors.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message : QString("?: ") + (e ? e->what() : ""));
        });
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    void exportAsksTheFilePasswordFirstWhenRequired() {
        const QString path = makeFile("exp.kvf", "secret", {{"Bank", "bob"}});
        open(path, "secret");
        const QByteArray before = KyvnTest::readAll(path);
        Options->ExportPassword = true;
        QsAnswers::SetRecording(true);
        QsAnswers::Push("TPassEdit", QVariant(false)); // cancelled: no wizard
        QVERIFY(w->RunCommand(w->actFileExport));
        QVERIFY(!QsAnswers::Log().join('\n').contains("TExportWzd"));

        const QString csv = dir.filePath("exp.csv");
        QsAnswers::Push("TPassEdit", "secret");
        QsAnswers::PushHandler("TExportWzd", [csv](QObject* o) {
            auto* x = qobject_cast<TExportWzd*>(o);
            x->cmdNext->click();
            x->cmdNext->click();
            x->txtDestination->setText(csv);
            x->cmdNext->click();
            x->clbFields->item(kfPassword)->setCheckState(Qt::Unchecked);
            x->cmdNext->click();
            x->cmdNext->click();
            return QVariant(x->Step);
        });
        QVERIFY(w->RunCommand(w->actFileExport));
        QsAnswers::SetRecording(false);
        QCOMPARE(errors, QStringList());
        QVERIFY(
            KyvnTest::readAll(csv).startsWith("\"Account Name\",\"Login\",\"Email\",\"Web\",\"Notes\",\"Protected\","
                                              "\"Created\",\"Modified\"\r\n\"Bank\",\"bob\","));
        // an export only reads: the passwords file and its backup are as they were
        QCOMPARE(KyvnTest::readAll(path), before);
        QVERIFY(!QFileInfo::exists(BackupFileName(path)));
    }

    // A link planted at the destination while the export is written (after every check of the wizard, as
    // another program could) never makes it replace the open passwords file or its backup: the export
    // fails and says so, both files stay whole.
    void exportNeverLandsOnTheOpenFile_data() {
        QTest::addColumn<bool>("toBackup");
        QTest::newRow("link to the open file") << false;
        QTest::newRow("link to its backup") << true;
    }
    void exportNeverLandsOnTheOpenFile() {
        QFETCH(bool, toBackup);
        const QString path = makeFile("exp.kvf", "secret", {{"Bank", "bob"}});
        KyvnTest::writeAll(BackupFileName(path), KyvnTest::readAll(path));
        open(path, "secret");
        const QByteArray before = KyvnTest::readAll(path);
        const QString csv = dir.filePath("planted.csv");
        QFile::remove(csv);
        QsBeforeReplaceHook() = [&](const QString&) { QFile::link(toBackup ? BackupFileName(path) : path, csv); };
        QsAnswers::PushHandler("TExportWzd", [&](QObject* o) {
            auto* x = qobject_cast<TExportWzd*>(o);
            x->cmdNext->click();
            x->cmdNext->click();
            x->txtDestination->setText(csv);
            x->cmdNext->click();
            x->cmdNext->click();
            x->radYes->setChecked(true); // the passwords go out in the clear: yes
            x->cmdNext->click();
            x->cmdNext->click();
            return QVariant(x->Step);
        });
        QVERIFY(w->RunCommand(w->actFileExport));
        QsBeforeReplaceHook() = nullptr;
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith("1: Error exporting to text file."), qPrintable(errors.first()));
        QCOMPARE(KyvnTest::readAll(path), before);
        QCOMPARE(KyvnTest::readAll(BackupFileName(path)), before);
        QVERIFY(QFileInfo(csv).isSymLink());
        errors.clear();
    }

    void exportWithoutThePreferenceGoesStraightToTheWizard() {
        open(makeFile("plain.kvf", "secret", {}), "secret");
        QsAnswers::PushHandler("TExportWzd", [](QObject*) { return QVariant(0); });
        QVERIFY(w->RunCommand(w->actFileExport));
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    void mergeRefusals() {
        const QString path = makeFile("self.kvf", "secret", {{"Bank", "bob"}});
        open(path, "secret");
        const QString missing = dir.filePath("missing.kvf");
        const QString junk = dir.filePath("junk.kvf");
        KyvnTest::writeAll(junk, "not a passwords file");
        const QString link = dir.filePath("self-link.kvf");
        QVERIFY(QFile::link(path, link));
        for (const QString& choice : {missing, path, link, junk}) {
            QsAnswers::Push("OpenFile", choice);
            QVERIFY(w->RunCommand(w->actFileMerge));
        }
        QCOMPARE(errors, QStringList({"1: File '" + missing + "' not found.",
                                      "2: The current passwords file cannot be merget with itself.",
                                      "2: The current passwords file cannot be merget with itself.",
                                      "1: Error loading file 'junk.kvf'."}));
        // a cancelled dialog and a refused password stop quietly
        QsAnswers::Push("OpenFile", QString());
        QVERIFY(w->RunCommand(w->actFileMerge));
        QsAnswers::Push("OpenFile", makeFile("other.kvf", "another", {{"New", "x"}}));
        QsAnswers::Push("TPassEdit", QVariant(false));
        QVERIFY(w->RunCommand(w->actFileMerge));
        QCOMPARE(errors.size(), 4);
        QCOMPARE(inMemory(), QStringList({"Bank:bob"}));
    }

    void mergeWritesExactlyTheExpectedAccounts() {
        const QString path =
            makeFile("home.kvf", "homepw", {{"Bank", "home-bank"}, {"Mail", "home-mail"}, {"Shop", "home-shop"}});
        const QString other = makeFile("laptop/home.kvf", "laptoppw",
                                       {{"BANK", "laptop-bank"}, {"mail", "laptop-mail"}, {"Club", "laptop-club"}});
        open(path, "homepw");
        const QByteArray otherBefore = KyvnTest::readAll(other);
        QsAnswers::SetRecording(true);
        QsAnswers::Push("OpenFile", other);
        QsAnswers::Push("TPassEdit", "laptoppw");
        answerMerge({"Bank"});
        QVERIFY(w->RunCommand(w->actFileMerge));
        QsAnswers::SetRecording(false);
        QCOMPARE(errors, QStringList());
        QVERIFY(QsAnswers::Log().contains("OpenFile: Select File to Merge..."));
        const QStringList expected = {"BANK:laptop-bank", "Mail:home-mail", "Shop:home-shop", "Club:laptop-club"};
        QCOMPARE(inMemory(), expected);
        QCOMPARE(onDisk(path), expected);
        QCOMPARE(listed(), QStringList({"BANK", "Club", "Mail", "Shop"}));
        // the open file keeps its own password; the second file is only read
        TKYVNFile back;
        back.FileName = path;
        back.Load();
        QCOMPARE(back.Password, QStringLiteral("homepw"));
        QCOMPARE(KyvnTest::readAll(other), otherBefore);
    }

    void cancelOnTheChoiceSavesNothing() {
        const QString path = makeFile("keep.kvf", "pw", {{"Bank", "a"}});
        const QString other = makeFile("keep2.kvf", "pw2", {{"bank", "b"}, {"New", "c"}});
        open(path, "pw");
        const QByteArray before = KyvnTest::readAll(path);
        QsAnswers::Push("OpenFile", other);
        QsAnswers::Push("TPassEdit", "pw2");
        QsAnswers::PushHandler("TMergeWzd", [](QObject* o) {
            auto* m = qobject_cast<TMergeWzd*>(o);
            m->cmdNext->click();
            m->cmdNext->click();
            m->cmdCancel->click();
            return QVariant(m->Step);
        });
        QVERIFY(w->RunCommand(w->actFileMerge));
        QCOMPARE(KyvnTest::readAll(path), before);
        QVERIFY(!QFileInfo::exists(BackupFileName(path)));
        QCOMPARE(inMemory(), QStringList({"Bank:a"}));
    }

    void emptySecondFileFinishesAndWritesBack() {
        const QString path = makeFile("e1.kvf", "pw", {{"Bank", "a"}});
        const QString other = makeFile("e2.kvf", "pw2", {});
        open(path, "pw");
        QsAnswers::Push("OpenFile", other);
        QsAnswers::Push("TPassEdit", "pw2");
        answerMerge({});
        QVERIFY(w->RunCommand(w->actFileMerge));
        QCOMPARE(errors, QStringList());
        QCOMPARE(onDisk(path), QStringList({"Bank:a"}));
        QCOMPARE(listed(), QStringList({"Bank"}));
    }

    void aFailedWriteBackTakesTheImportBack() {
        // The folder of the open file is replaced by a plain file while the wizard runs: the write-back
        // cannot reach the file, and the merged accounts must not linger unlisted in memory.
        const QString folder = dir.filePath("wb");
        const QString path = makeFile("wb/open.kvf", "pw", {{"Bank", "a"}, {"Mail", "b"}});
        const QString other = makeFile("wb-other.kvf", "pw2", {{"BANK", "x"}, {"New", "y"}});
        open(path, "pw");
        const QByteArray before = KyvnTest::readAll(path);
        QsAnswers::Push("OpenFile", other);
        QsAnswers::Push("TPassEdit", "pw2");
        answerMerge({"Bank"}, [folder] {
            QVERIFY(QDir().rename(folder, folder + ".away"));
            KyvnTest::writeAll(folder, "a file where the folder was");
        });
        QVERIFY(w->RunCommand(w->actFileMerge));
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().startsWith("1: Error saving file"));
        QCOMPARE(inMemory(), QStringList({"Bank:a", "Mail:b"}));
        QCOMPARE(listed(), QStringList({"Bank", "Mail"}));
        QCOMPARE(KyvnTest::readAll(folder + ".away/open.kvf"), before);
        // once the folder is back, the next write-back writes what the list shows
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().rename(folder + ".away", folder));
        w->WriteBack();
        QCOMPARE(onDisk(path), QStringList({"Bank:a", "Mail:b"}));
    }

    // A second file cut in half merges only when the user says so, and then only what could be read.
    void aDamagedSecondFileIsMergedOnlyWhenAsked() {
        const QString path = makeFile("d1.kvf", "pw", {{"Bank", "a"}});
        QList<std::pair<QString, QString>> thirty;
        for (int i = 0; i < 30; ++i)
            thirty.append({QString("Acc%1").arg(i, 2, 10, QChar('0')), QString("l%1").arg(i)});
        const QString other = makeFile("d2.kvf", "pw2", thirty);
        const QByteArray whole = KyvnTest::readAll(other);
        KyvnTest::writeAll(other, whole.left(whole.size() / 2 / 8 * 8));
        TKYVNFile probe;
        probe.FileName = other;
        probe.Load();
        QVERIFY(probe.Damaged());
        const int read = probe.AccountCount();
        QVERIFY(read > 0 && read < 30);
        open(path, "pw");
        const QByteArray before = KyvnTest::readAll(path);

        QsAnswers::SetRecording(true);
        QsAnswers::Push("OpenFile", other);
        QsAnswers::Push("TPassEdit", "pw2");
        QsAnswers::Push("QsMessage", QsAnswerNo);
        QVERIFY(w->RunCommand(w->actFileMerge));
        QsAnswers::SetRecording(false);
        const QString asked = QsAnswers::Log().filter("QsMessage").join('|');
        QVERIFY2(
            asked.contains(QString("'d2.kvf' is damaged: only the first %1 of its accounts could be read").arg(read)),
            qPrintable(asked));
        QCOMPARE(KyvnTest::readAll(path), before);
        QCOMPARE(inMemory(), QStringList({"Bank:a"}));

        QsAnswers::Push("OpenFile", other);
        QsAnswers::Push("TPassEdit", "pw2");
        QsAnswers::Push("QsMessage", QsAnswerYes);
        answerMerge({});
        QVERIFY(w->RunCommand(w->actFileMerge));
        QCOMPARE(errors, QStringList());
        QCOMPARE(onDisk(path).size(), 1 + read);
    }

    // File > Import: one write-back, then the offer to delete the export, which is overwritten first.
    void importWritesOnceAndOffersToDeleteTheExport() {
        const QString path = makeFile("i1.kvf", "pw", {{"Bank", "a"}});
        const QString csv = dir.filePath("chrome.csv");
        KyvnTest::writeAll(csv, "name,url,username,password\r\nbank,https://b.example,jo,p#1\r\nShop,s,ann,p'2\r\n");
        open(path, "pw");
        auto drive = [csv](QObject* o) {
            auto* m = qobject_cast<TImportWzd*>(o);
            m->cmdNext->click();
            m->txtSource->setText(csv);
            for (int i = 0; i < 5 && !m->Imported; ++i)
                m->cmdNext->click();
            return QVariant(m->Step);
        };
        QsAnswers::PushHandler("TImportWzd", drive);
        QsAnswers::Push("QsMessage", QsAnswerNo);
        QVERIFY(w->RunCommand(w->actFileImport));
        QCOMPARE(errors, QStringList());
        const QStringList expected = {"Bank:a", "bank (2):jo", "Shop:ann"};
        QCOMPARE(onDisk(path), expected);
        QCOMPARE(listed(), QStringList({"Bank", "Shop", "bank (2)"}));
        QVERIFY(QFile::exists(csv)); // kept when the user says no

        const QString kept = dir.filePath("keep.csv");
        QVERIFY(::link(QFile::encodeName(csv).constData(), QFile::encodeName(kept).constData()) == 0);
        QsAnswers::PushHandler("TImportWzd", drive);
        QsAnswers::Push("QsMessage", QsAnswerYes);
        QVERIFY(w->RunCommand(w->actFileImport));
        QCOMPARE(errors, QStringList());
        QVERIFY(!QFile::exists(csv));
        const QByteArray left = KyvnTest::readAll(kept);
        QCOMPARE(left, QByteArray(left.size(), '\0'));
        QCOMPARE(onDisk(path).size(), 5);
    }

    // An import whose write-back fails is taken back whole: the file in memory, the list and the disk stay as
    // they were, and the export is not offered for deletion.
    void aFailedImportWriteBackLeavesEverythingAsItWas() {
        const QString folder = dir.filePath("iwb");
        const QString path = makeFile("iwb/open.kvf", "pw", {{"Bank", "a"}});
        const QString csv = dir.filePath("iwb.csv");
        KyvnTest::writeAll(csv, "name,url,username,password\nbank,u,jo,p\nShop,s,ann,q\n");
        open(path, "pw");
        const QByteArray before = KyvnTest::readAll(path);
        QsAnswers::PushHandler("TImportWzd", [csv, folder](QObject* o) {
            auto* m = qobject_cast<TImportWzd*>(o);
            m->cmdNext->click();
            m->txtSource->setText(csv);
            for (int i = 0; i < 5 && !m->Imported; ++i)
                m->cmdNext->click();
            [&] {
                QVERIFY(QDir().rename(folder, folder + ".away"));
                KyvnTest::writeAll(folder, "a file where the folder was");
            }();
            return QVariant(m->Step);
        });
        QVERIFY(w->RunCommand(w->actFileImport));
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().startsWith("1: Error saving file"));
        QCOMPARE(inMemory(), QStringList({"Bank:a"}));
        QCOMPARE(listed(), QStringList({"Bank"}));
        QCOMPARE(KyvnTest::readAll(folder + ".away/open.kvf"), before);
        QVERIFY(QFile::exists(csv));
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    // The apostrophe and the number sign of names and passwords survive an add, an edit of the notes, the
    // write-back, a load and a merge.
    void apostropheAndNumberSignSurvive() {
        const QString path = makeFile("q1.kvf", "pw", {});
        open(path, "pw");
        QsAnswers::PushHandler("TAccountEdit", [](QObject* o) {
            auto* d = qobject_cast<TAccountEdit*>(o);
            d->txtAccountName->setText("O'Neil #1");
            d->txtLogin->setText("it's");
            d->txtPassword->setText("p#'w#");
            d->txtWeb->setText("https://x.example/#top");
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actAccountAdd));
        w->SelectRow(0);
        QsAnswers::PushHandler("TAccountEdit", [](QObject* o) {
            auto* d = qobject_cast<TAccountEdit*>(o);
            d->txtNotes->SetText("new notes");
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actAccountEdit));
        QCOMPARE(errors, QStringList());
        TKYVNFile back;
        back.FileName = path;
        back.Load();
        QCOMPARE(back.AccountCount(), 1);
        const TKYVNAccount* a = back.GetAccount(0);
        QCOMPARE(a->AccountName, QString("O'Neil #1"));
        QCOMPARE(a->Login, QString("it's"));
        QCOMPARE(a->Password, QString("p#'w#"));
        QCOMPARE(a->Web, QString("https://x.example/#top"));
        QCOMPARE(a->Notes, QString("new notes"));

        const QString other = makeFile("q2.kvf", "pw2", {{"Other", "o"}});
        open(other, "pw2");
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", "pw");
        answerMerge({});
        QVERIFY(w->RunCommand(w->actFileMerge));
        TKYVNFile merged;
        merged.FileName = other;
        merged.Load();
        const TKYVNAccount* m = merged.FindAccount("o'neil #1");
        QVERIFY(m);
        QCOMPARE(m->Password, QString("p#'w#"));
        QCOMPARE(m->Login, QString("it's"));
    }
};

KYVN_TEST_MAIN(TestMainExchange)
#include "tst_mainexchange.moc"
