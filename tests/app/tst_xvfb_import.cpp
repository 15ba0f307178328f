// File > Import... as a person uses it: the real main window on an X server, a Chromium export written by
// Python's csv module, a new passwords file, and the menu, the wizard and the last question driven by the
// keyboard alone.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsMsgFrm.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmImport.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <functional>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");

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
} // namespace

class TestXvfbImport : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

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

    void chromiumExportIntoANewFileByKeyboard() {
        const QString csv = dir.filePath("Chrome Passwords.csv");
        QProcess py;
        py.start("/usr/bin/python3", {"-c",
                                      "import csv,sys\n"
                                      "w=csv.writer(open(sys.argv[1],'w',newline='',encoding='utf-8'))\n"
                                      "w.writerow(['name','url','username','password','note'])\n"
                                      "w.writerow(['Bank','https://bank.example','jo','p#1,\"q\"','line1\\nit\\'s'])\n"
                                      "w.writerow(['Mail','https://mail.example','ann','m1',''])\n"
                                      "w.writerow(['mail','https://mail.example','bob','m2',''])\n"
                                      "w.writerow(['','https://noname.example/x','zoë','z',''])\n",
                                      csv});
        QVERIFY(py.waitForFinished(-1) && py.exitCode() == 0);
        const QString path = dir.filePath("New.kvf");
        QsAnswers::Push("SaveFile", path);
        QsAnswers::Push("TPassEdit", "secret1");
        QVERIFY(w->RunCommand(w->actFileNew));
        QVERIFY(w->FileOpen);

        bool driven = false;
        auto driver = [&] {
            auto* x = waitForModal<TImportWzd>();
            QVERIFY(x);
            QTRY_VERIFY(x->cmdNext->hasFocus());
            press(x, Qt::Key_Return);
            QCOMPARE(x->Step, int(TImportWzd::StepSource));
            QTRY_VERIFY(x->txtSource->hasFocus());
            QTest::keyClicks(x->txtSource, csv);
            press(x, Qt::Key_Return); // read: a Chromium export
            QCOMPARE(x->Step, int(TImportWzd::StepColumns));
            shootScreen("xvfb-import-columns");
            press(x, Qt::Key_Return);
            QCOMPARE(x->Step, int(TImportWzd::StepPreview));
            shootScreen("xvfb-import-preview");
            press(x, Qt::Key_Return);
            QCOMPARE(x->Step, int(TImportWzd::StepRepeated));
            QTRY_VERIFY(x->tblRepeated->hasFocus());
            press(x, Qt::Key_F2); // the choice for "Mail": Skip
            press(x, Qt::Key_Down);
            press(x, Qt::Key_Down);
            press(x, Qt::Key_Return);
            QTRY_COMPARE(x->tblRepeated->item(0, 2)->text(), QStringLiteral("Skip"));
            QCOMPARE(x->Step, int(TImportWzd::StepRepeated));
            shootScreen("xvfb-import-repeated");
            QTRY_VERIFY(x->tblRepeated->hasFocus());
            press(x, Qt::Key_Return);
            QCOMPARE(x->Step, int(TImportWzd::StepImport));
            press(x, Qt::Key_Return);
            QCOMPARE(x->Step, int(TImportWzd::StepFinished));
            shootScreen("xvfb-import-finished");
            // The offer to delete the export comes once the wizard has returned: its own loop works it.
            QTimer::singleShot(0, this, [&] {
                auto* question = waitForModal<TQsMessage>();
                QVERIFY(question);
                shootScreen("xvfb-import-delete");
                press(question, Qt::Key_Return); // Yes is the first button
                driven = true;
            });
            press(x, Qt::Key_Return); // Finish
        };
        // File > Import... from the keyboard: the File menu, then its access key; the wizard it opens runs
        // its own loop, in which the driver works.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        press(w.get(), Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(w->mnuFile->isVisible());
        QTimer::singleShot(0, this, driver);
        QTest::keyClick(w->mnuFile, Qt::Key_U);
        QTRY_VERIFY(driven);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(errors, QStringList());
        QVERIFY(!QFile::exists(csv));

        TKYVNFile back;
        back.FileName = path;
        QVERIFY(back.LoadWithPassword(QStringLiteral("secret1"))); // a new file is protected
        QStringList names;
        for (const TKYVNAccount* a : back.Accounts)
            names << a->AccountName + ":" + a->Login;
        QCOMPARE(names, QStringList({"Bank:jo", "Mail:ann", "noname.example:zoë"}));
        QCOMPARE(back.GetAccount(0)->Password, QStringLiteral("p#1,\"q\""));
        QCOMPARE(back.GetAccount(0)->Notes, QStringLiteral("line1\r\nit\u2019s"));
        QCOMPARE(w->RowCount(), 3);
        shootScreen("xvfb-import-after");
    }
};

KYVN_TEST_MAIN(TestXvfbImport)
#include "tst_xvfb_import.moc"
