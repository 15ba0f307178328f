// File > Password Health end to end: the window over the open file, an account fixed from it through the
// main window's edit command (a protected one asks for the file password), the file read back from disk.
#include "KyvnTest.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsRegUtils.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmAccount.h"
#include "frmHealth.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kPassword = QStringLiteral("pw1234");
const QString kStrong = QStringLiteral("(B]x^7Kq:Lz<p2Vd@Mw?");
} // namespace

class TestMainHealth : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

    void makeFile() {
        path = dir.filePath("health.kvf");
        QFile::remove(path);
        TKYVNFile f;
        f.FileName = path;
        f.Password = kPassword;
        struct {
            const char* name;
            QString password;
            bool protect;
            int age;
        } rows[] = {{"Bank", "letmein", true, 5},
                    {"Mail", kStrong, false, 5},
                    {"Shop", "shared-Secret-phrase-2024!x", false, 5},
                    {"Chat", "shared-Secret-phrase-2024!x", false, 5},
                    {"Forum", kStrong + "!", false, 800}};
        for (const auto& r : rows) {
            auto* a = new TKYVNAccount;
            a->AccountName = r.name;
            a->Password = r.password;
            a->Protected = r.protect;
            a->Created = a->Modified = QDate::currentDate().addDays(-r.age);
            f.AddAccount(a);
        }
        f.Save(false);
    }
    QString diskPassword(const QString& name) const {
        TKYVNFile f;
        f.FileName = path;
        f.Load();
        const TKYVNAccount* a = f.FindAccount(name);
        return a ? a->Password : "<none>";
    }
    static QStringList listed(const THealthDlg* dlg) {
        QStringList out;
        for (int i = 0; i < dlg->lvHealth->topLevelItemCount(); ++i)
            out << dlg->lvHealth->topLevelItem(i)->text(0);
        return out;
    }

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        Options->BackupFiles = false;
        ListLayout = new TKYVNList;
    }
    void cleanupTestCase() {
        delete ListLayout;
        ListLayout = nullptr;
        delete Options;
        Options = nullptr;
        delete AppInfo;
        AppInfo = nullptr;
    }
    void init() {
        QsAnswers::Clear();
        ListLayout->Clear();
        ListLayout->SetDefaults();
        w = std::make_unique<TKYVNMain>();
        errors.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? q->Message : QString("?"));
        });
        makeFile();
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
        QsSetExceptionHandler(nullptr);
    }
    void open() {
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", kPassword);
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
    }

    void commandNeedsAFile() {
        QCOMPARE(w->actFilePasswordHealth->text(), QString("Password &Health..."));
        QCOMPARE(w->actFilePasswordHealth->shortcut(), QKeySequence("F8"));
        QVERIFY(!w->RunCommand(w->actFilePasswordHealth));
        open();
        QsAnswers::Push("THealthDlg", true);
        QVERIFY(w->RunCommand(w->actFilePasswordHealth));
    }

    // The old-age limit is the preference's; a protected account asks for the file password before its
    // editor opens; the change reaches the file on disk and the list is worked out again.
    void fixesAProtectedAccountFromTheWindow() {
        Options->OldPasswordDays = 1000;
        open();
        const QByteArray before = KyvnTest::readAll(path);
        QStringList first, afterCancel, afterFix;
        QString counts, selected;
        QsAnswers::SetRecording(true);
        QsAnswers::PushHandler("THealthDlg", [&](QObject* d) -> QVariant {
            auto* dlg = qobject_cast<THealthDlg*>(d);
            first = listed(dlg);
            selected = dlg->SelectedAccount() ? dlg->SelectedAccount()->AccountName : QString();
            // The question about the file password is cancelled: no editor, nothing written.
            QsAnswers::Push("TPassEdit", false);
            dlg->cmdOpen->click();
            afterCancel = listed(dlg);
            // Answered: the editor opens and the new password is typed.
            QsAnswers::Push("TPassEdit", kPassword);
            QsAnswers::PushHandler("TAccountEdit", [](QObject* e) {
                auto* editor = qobject_cast<TAccountEdit*>(e);
                editor->txtPassword->setText("tiger-lamp-ocean-violet-87");
                return QVariant(true);
            });
            dlg->cmdOpen->click();
            afterFix = listed(dlg);
            counts = dlg->lblCounts->text();
            return true;
        });
        QVERIFY(w->RunCommand(w->actFilePasswordHealth));
        QCOMPARE(first, (QStringList{"Bank", "Chat", "Shop"}));
        QCOMPARE(selected, QString("Bank"));
        QCOMPARE(afterCancel, first);
        QCOMPARE(afterFix, (QStringList{"Chat", "Shop"}));
        QCOMPARE(counts, QString("5 accounts: 0 empty, 0 weak, 2 reused (1 group), 0 old"));
        QCOMPARE(diskPassword("Bank"), QString("tiger-lamp-ocean-violet-87"));
        QVERIFY(KyvnTest::readAll(path) != before);
        const QStringList log = QsAnswers::Log();
        QCOMPARE(log.filter("TPassEdit: Unprotect Account...").size(), 2);
        QCOMPARE(log.filter("TAccountEdit: Edit Account 'Bank'...").size(), 1);
        QVERIFY(errors.isEmpty());
        Options->OldPasswordDays = 365;
    }

    void aReadOnlyFileIsNotEdited() {
        open();
        QVERIFY(w->RunCommand(w->actAccountReadOnly));
        const QByteArray before = KyvnTest::readAll(path);
        QStringList listedAfter;
        QsAnswers::PushHandler("THealthDlg", [&](QObject* d) -> QVariant {
            auto* dlg = qobject_cast<THealthDlg*>(d);
            dlg->cmdOpen->click(); // no question, no editor
            listedAfter = listed(dlg);
            return true;
        });
        QVERIFY(w->RunCommand(w->actFilePasswordHealth));
        QCOMPARE(listedAfter, (QStringList{"Bank", "Chat", "Shop", "Forum"}));
        QCOMPARE(KyvnTest::readAll(path), before);
    }
};

QTEST_MAIN(TestMainHealth)
#include "tst_mainhealth.moc"
