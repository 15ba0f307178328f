// The export and merge wizards as a person uses them: the real main window on an X server, the real
// modal wizards, driven by the keyboard alone (Enter for the default button, arrows, Space, Esc).
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmExport.h"
#include "frmMain.h"
#include "frmMerge.h"
#include "uOptions.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");

// Saves the whole screen when KEYVANE_SHOTS names a folder.
void shootScreen(const QString& name) {
    const QString dir = qEnvironmentVariable("KEYVANE_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QTest::qWait(100); // the picture only: let the window paint what the last key changed
    QGuiApplication::primaryScreen()->grabWindow(0).save(dir + "/" + name + ".png");
}

template <class T> T* waitForModal() {
    T* found = nullptr;
    QTest::qWaitFor([&] { return (found = qobject_cast<T*>(QApplication::activeModalWidget())) != nullptr; }, 10000);
    return found;
}

void press(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : w;
    QTest::keyClick(target, key, mods);
}

QStringList onDisk(const QString& path) {
    TKYVNFile f;
    f.FileName = path;
    f.Load();
    QStringList out;
    for (const TKYVNAccount* a : f.Accounts)
        out << a->AccountName + ":" + a->Login;
    return out;
}
} // namespace

class TestXvfbExchange : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

    QString makeFile(const QString& name, const QString& password, const QList<std::pair<QString, QString>>& accounts) {
        const QString path = dir.filePath(name);
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
    // Runs the command while driver works the modal wizard it opens.
    void runWithDriver(QAction* command, std::function<void()> driver) {
        bool driven = false;
        QTimer::singleShot(0, this, [&] {
            driver();
            driven = true;
        });
        QVERIFY(w->RunCommand(command));
        QVERIFY(driven);
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
        ListLayout = new TKYVNList;
        ListLayout->SetDefaults();
    }
    void init() {
        QsAnswers::Clear();
        errors.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message : QString("?: ") + (e ? e->what() : ""));
        });
        w = std::make_unique<TKYVNMain>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    void exportByKeyboard() {
        const QString path = makeFile("Home.kvf", "pw12", {{"Bank", "bob"}, {"Mail", "ann"}});
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", "pw12");
        QVERIFY(w->RunCommand(w->actFileOpen));
        const QString csv = dir.filePath("list.csv");
        runWithDriver(w->actFileExport, [&] {
            auto* x = waitForModal<TExportWzd>();
            QVERIFY(x);
            QTRY_VERIFY(x->cmdNext->hasFocus());
            shootScreen("xvfb-export-welcome");
            press(x, Qt::Key_Return); // Destination Type, text file chosen
            QCOMPARE(x->Step, int(TExportWzd::StepType));
            press(x, Qt::Key_Return);
            QCOMPARE(x->Step, int(TExportWzd::StepFile));
            QTRY_VERIFY(x->txtDestination->hasFocus());
            QTest::keyClicks(x->txtDestination, csv);
            press(x, Qt::Key_Return);
            QCOMPARE(x->Step, int(TExportWzd::StepFields));
            press(x, Qt::Key_Return); // every field: the passwords too
            QCOMPARE(x->Step, int(TExportWzd::StepConfirm));
            press(x, Qt::Key_Return); // "No" is chosen: Next is disabled
            QCOMPARE(x->Step, int(TExportWzd::StepConfirm));
            press(x, Qt::Key_Up); // to "Yes"
            QTRY_VERIFY(x->radYes->isChecked());
            shootScreen("xvfb-export-confirm");
            press(x, Qt::Key_Return);
            QCOMPARE(x->Step, int(TExportWzd::StepExport));
            press(x, Qt::Key_Return);
            QCOMPARE(x->Step, int(TExportWzd::StepFinished));
            shootScreen("xvfb-export-finished");
            press(x, Qt::Key_Return); // Finish
            QTRY_VERIFY(!x->isVisible());
        });
        QCOMPARE(errors, QStringList());
        const QByteArray text = KyvnTest::readAll(csv);
        QVERIFY(text.startsWith("\"Account Name\",\"Login\",\"Password\","));
        QVERIFY(text.contains("\r\n\"Bank\",\"bob\",\"pw-bob\","));
        QVERIFY(text.contains("\r\n\"Mail\",\"ann\",\"pw-ann\","));
    }

    void escapeLeavesTheExportWithoutAFile() {
        QsAnswers::Push("OpenFile", makeFile("Esc.kvf", "pw12", {{"Bank", "bob"}}));
        QsAnswers::Push("TPassEdit", "pw12");
        QVERIFY(w->RunCommand(w->actFileOpen));
        runWithDriver(w->actFileExport, [&] {
            auto* x = waitForModal<TExportWzd>();
            QVERIFY(x);
            press(x, Qt::Key_Return);
            press(x, Qt::Key_Return);
            QTest::keyClicks(x->txtDestination, dir.filePath("never.csv"));
            press(x, Qt::Key_Escape);
            QTRY_VERIFY(!x->isVisible());
        });
        QVERIFY(!QFileInfo::exists(dir.filePath("never.csv")));
    }

    void mergeByKeyboard() {
        const QString path = makeFile("Desk.kvf", "pw12", {{"Bank", "desk-bank"}, {"Mail", "desk-mail"}});
        const QString other =
            makeFile("Laptop.kvf", "lap99", {{"BANK", "lap-bank"}, {"mail", "lap-mail"}, {"Club", "lap-club"}});
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", "pw12");
        QVERIFY(w->RunCommand(w->actFileOpen));
        QsAnswers::Push("OpenFile", other);
        QsAnswers::Push("TPassEdit", "lap99");
        runWithDriver(w->actFileMerge, [&] {
            auto* m = waitForModal<TMergeWzd>();
            QVERIFY(m);
            press(m, Qt::Key_Return);
            QCOMPARE(m->Step, int(TMergeWzd::StepAnalysis));
            press(m, Qt::Key_Return);
            QCOMPARE(m->Step, int(TMergeWzd::StepInconsistencies));
            QTRY_VERIFY(m->lvAccounts->hasFocus());
            press(m, Qt::Key_Space); // checks the first row, Bank
            QTRY_COMPARE(m->lvModel->CheckedNames(), QStringList({"Bank"}));
            shootScreen("xvfb-merge-inconsistencies");
            press(m, Qt::Key_Return);
            QCOMPARE(m->Step, int(TMergeWzd::StepMerge));
            press(m, Qt::Key_Return);
            QCOMPARE(m->Step, int(TMergeWzd::StepFinished));
            press(m, Qt::Key_Return);
            QTRY_VERIFY(!m->isVisible());
        });
        QCOMPARE(errors, QStringList());
        QCOMPARE(onDisk(path), QStringList({"BANK:lap-bank", "Mail:desk-mail", "Club:lap-club"}));
        QCOMPARE(w->RowCount(), 3);
        shootScreen("xvfb-merge-after");
    }
};

KYVN_TEST_MAIN(TestXvfbExchange)
#include "tst_xvfb_exchange.moc"
