// Every window of the program, as a screen reader and a keyboard meet it: each control the keyboard can
// reach has an accessible name, every control that takes input is reached with Tab, and every picture
// has a description. The windows are not listed here: every command of the main window runs, and every
// window that any of them opens (dialogs, wizards, questions, message boxes) is walked as it shows.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsRegUtils.h"
#include "QsSplashFrm2.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QTabBar>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeView>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");

QString describe(const QWidget* w) {
    return QStringLiteral("%1 '%2'").arg(QLatin1String(w->metaObject()->className()), w->objectName());
}

// Parts of a composite control (the line edit inside a spin box or a combo box, an item view's
// viewport) are named through the control they belong to.
bool partOfAnother(const QWidget* w, const QWidget* window) {
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p) ||
            qobject_cast<const QAbstractItemView*>(p) || qobject_cast<const QTabBar*>(p))
            return true;
    return false;
}

// A control that takes input or acts: the keyboard must reach it.
bool takesInput(const QWidget* w) {
    if (qobject_cast<const QScrollBar*>(w) || qobject_cast<const QTabBar*>(w))
        return false; // moved by the keys of the view or with Ctrl+Tab
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QTextEdit*>(w);
}

// What a screen reader and a keyboard user would miss in this window.
QStringList problemsOf(QWidget* window) {
    QStringList problems;
    const QString where = describe(window) + QStringLiteral(" \"") + window->windowTitle() + QStringLiteral("\": ");
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        // A control hidden on its own is not part of this window now (an unused button of a message box);
        // one hidden with its page (a wizard's later steps) is, and is checked.
        if (w->isWindow() || w->isHidden() || partOfAnother(w, window) ||
            w->objectName().startsWith(QLatin1String("qt_")))
            continue; // Qt's own inner parts (the menu bar's overflow button) are named by Qt
        // Commands of the bars are reached through the menus and their keys.
        if (qobject_cast<QToolBar*>(w->parentWidget()) || qobject_cast<QMenuBar*>(w))
            continue;
        QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(w);
        // Of a group of radio buttons Tab reaches the checked one, and the arrow keys the others.
        const auto* radio = qobject_cast<const QRadioButton*>(w);
        const bool reached = w->focusProxy() || (w->focusPolicy() & Qt::TabFocus) || (radio && radio->autoExclusive());
        if ((reached || takesInput(w)) && !w->focusProxy()) {
            if (!acc || acc->text(QAccessible::Name).trimmed().isEmpty())
                problems << where + describe(w) + QStringLiteral(" has no accessible name");
        }
        if (takesInput(w) && !reached && w->isEnabled())
            problems << where + describe(w) + QStringLiteral(" cannot be reached with the keyboard");
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->pixmap().isNull()) {
            if (label->accessibleName().isEmpty() && label->accessibleDescription().isEmpty())
                problems << where + describe(w) + QStringLiteral(" shows a picture without a description");
        }
    }
    return problems;
}

// Walks every window that shows while it is installed, then closes it as Esc would.
class TWindowWalker : public QObject {
public:
    QStringList Problems;
    QStringList Walked;
    QSet<QWidget*> Ignore;

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && w && w->isWindow() && !Ignore.contains(w) && !pending_.contains(w)) {
            pending_.insert(w);
            QPointer<QWidget> window(w);
            QTimer::singleShot(0, this, [this, window] { walkAndClose(window); });
        }
        return false;
    }

    void walkAndClose(QPointer<QWidget> window) {
        pending_.remove(window.data());
        if (!window || !window->isVisible())
            return;
        const QString name =
            window->objectName().isEmpty() ? QLatin1String(window->metaObject()->className()) : window->objectName();
        // The file dialog is the desktop's own (a portal or the desktop's dialog on a real desktop).
        if (!qobject_cast<QFileDialog*>(window.data())) {
            Walked << name;
            Problems << problemsOf(window);
        }
        if (auto* dialog = qobject_cast<QDialog*>(window.data()))
            dialog->reject();
        else
            window->close();
    }

private:
    QSet<QWidget*> pending_;
};

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;

    QString makeFile(const QString& name) {
        TKYVNFile f;
        f.FileName = dir.filePath(name);
        f.Password = "pw12";
        for (const char* n : {"Bank", "Mail"}) {
            auto* a = new TKYVNAccount;
            a->AccountName = n;
            a->Login = "me";
            a->Password = "secret";
            a->Protected = QByteArray(n) == "Bank";
            f.AddAccount(a);
        }
        f.Save(false);
        return f.FileName;
    }

private slots:
    void initTestCase() {
        QAccessible::setActive(true);
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        AppInfo->RegistryRoot = TQsRegRoot::LocalMachine;
        AppInfo->English = true;
        AppInfo->HelpFile = QStringLiteral(KEYVANE_SOURCE_DIR "/share/help/index.html");
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        ListLayout = new TKYVNList;
        ListLayout->SetDefaults();
    }

    // The main window, without a file and with one.
    void mainWindow() {
        TKYVNMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QStringList problems = problemsOf(&main);
        QsAnswers::Push("OpenFile", makeFile("main.kvf"));
        QsAnswers::Push("TPassEdit", "pw12");
        QVERIFY(main.RunCommand(main.actFileOpen));
        QVERIFY(main.FileOpen);
        problems << problemsOf(&main);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        QVERIFY(!QAccessible::queryAccessibleInterface(main.lvAccounts)->text(QAccessible::Name).isEmpty());
        main.ExitRequested = true;
    }

    // Every window that a command of the main window opens, walked as it shows.
    void everyWindowOfEveryCommand() {
        w = std::make_unique<TKYVNMain>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QsAnswers::Push("OpenFile", makeFile("all.kvf"));
        QsAnswers::Push("TPassEdit", "pw12");
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
        w->SelectRow(1); // an account that is not protected, so its commands open their own windows
        QCOMPARE(w->SelectedAccount()->AccountName, QString("Mail"));
        const QString other = makeFile("other.kvf");

        TWindowWalker walker;
        walker.Ignore.insert(w.get());
        qApp->installEventFilter(&walker);
        // What leaves the program (a browser, the mail program, a printer), ends it or takes the file away
        // is not run; the preview shows the report's windows.
        const QSet<QAction*> skip{w->actFileExit,        w->actTrayExit, w->actHelpOnTheWeb,    w->actHelpSendEmail,
                                  w->actFileClose,       w->actFileNew,  w->actViewAlwaysOnTop, w->actFileOpen,
                                  w->actAccountReadOnly, w->actFilePrint};
        for (QAction* command : w->Commands()) {
            if (skip.contains(command) || command->menu())
                continue;
            if (command == w->actFileMerge) {
                // The merge wizard comes after the file to merge and its password.
                QsAnswers::Push("OpenFile", other);
                QsAnswers::Push("TPassEdit", "pw12");
            }
            if (w->RowCount() > 1)
                w->SelectRow(1);
            w->RunCommand(command);
            // Windows that stay open beside the main window (find, help) are walked here.
            QCoreApplication::processEvents();
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top != w.get() && top->isVisible())
                    walker.walkAndClose(top);
        }
        // The message boxes: a question, and a failure with its details.
        const EQsException failure("Error saving file 'x.kvf'.", "I/O error 28: No space left on device", 1);
        QsHandleException(&failure);
        qApp->removeEventFilter(&walker);

        // The splash carries the program's picture.
        ShowSplash(*AppInfo, LoadSplashPicture(), Qt::white);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != w.get() && top->isVisible())
                walker.Problems << problemsOf(top), walker.Walked << top->metaObject()->className();
        CloseSplash();

        walker.Walked.removeDuplicates();
        qInfo("walked: %s", qPrintable(walker.Walked.join(", ")));
        for (const char* expected :
             {"TAccountEdit", "TOptionsDlg", "TExportWzd", "TMergeWzd", "TFindDlg", "TFilePropsForm", "TCustForm",
              "TAboutForm", "TQsMessageDetails", "TAccountRename", "TQsMessage", "QsHelpWindow"})
            QVERIFY2(walker.Walked.contains(expected), expected);
        for (const QString& problem : std::as_const(walker.Problems))
            qWarning("%s", qPrintable(problem));
        QVERIFY2(walker.Problems.isEmpty(), "see the warnings above");
        w->ExitRequested = true;
        w.reset();
    }
};

KYVN_TEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
