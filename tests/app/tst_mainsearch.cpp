// Find, Find Next, File Properties, Send Email and About, end to end on the main window with a real
// passwords file.
#include "KyvnTest.h"

#include "QsAboutFrm2.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsFilePropsFrm.h"
#include "QsMsgFrm.h"
#include "QsStrUtils.h"
#include "clsColumn.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmFind.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kPassword = QStringLiteral("pw1234");

struct TRow {
    const char* Name;
    const char* Login;
    const char* Password;
    const char* Notes;
    bool Protected;
    QDate Created;
    QDate Modified;
};
// Listed by name: alpha, Beta, delta, Gamma (the list sorts without regard to letter case).
const TRow kRows[] = {
    {"Gamma", "g-user", "secretG", "", false, QDate(2001, 5, 6), QDate(2002, 7, 8)},
    {"alpha", "ALPHA-login", "topsecret", "line one\r\nline two", true, QDate(2010, 1, 2), QDate(2011, 3, 4)},
    {"Beta", "b-user", "x", "", false, QDate(2010, 12, 31), QDate(2012, 1, 1)},
    {"delta", "d", "y", "", true, QDate(1999, 9, 9), QDate(2019, 10, 11)},
};
} // namespace

class TestMainSearch : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

    void makeFile() {
        path = dir.filePath(QStringLiteral("search.kvf"));
        QFile::remove(path);
        TKYVNFile f;
        f.FileName = path;
        f.Password = kPassword;
        for (const TRow& r : kRows) {
            auto* a = new TKYVNAccount;
            a->AccountName = QString::fromLatin1(r.Name);
            a->Login = QString::fromLatin1(r.Login);
            a->Password = QString::fromLatin1(r.Password);
            a->Notes = QString::fromLatin1(r.Notes);
            a->Protected = r.Protected;
            a->Created = r.Created;
            a->Modified = r.Modified;
            f.AddAccount(a);
        }
        f.Save(false);
    }
    QString selected() const {
        const TKYVNAccount* a = w->SelectedAccount();
        return a ? a->AccountName : QStringLiteral("<none>");
    }
    // Runs Find Next and gives the selected name, or "Cannot find" when the box was shown.
    QString findNext() {
        QsAnswers::Clear();
        QsAnswers::SetRecording(true);
        QsAnswers::Push(QStringLiteral("QsMessage"), int(QsAnswerOK));
        const bool ran = w->RunCommand(w->actEditFindNext);
        const QStringList log = QsAnswers::Log();
        QsAnswers::Clear();
        QsAnswers::SetRecording(false);
        if (!ran)
            return QStringLiteral("<not run>");
        for (const QString& line : log)
            if (line.startsWith(QStringLiteral("QsMessage: Cannot find")))
                return QStringLiteral("Cannot find");
        return selected();
    }
    QString search(const QString& text, bool allFields) {
        FindAllFields = allFields;
        LastFindText = text;
        return findNext();
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        AppInfo = new TQsApplication;
        AppInfo->Title = QStringLiteral("Tessivo Keyvane");
        AppInfo->FamilyName = QStringLiteral("Tessivo Nimbrel");
        AppInfo->Version = QStringLiteral("2.0.0 Build 40");
        AppInfo->ProductKey = kProductKey;
        AppInfo->WebAddresses.SupportEmail = QStringLiteral("support@tessivo.example");
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        Options->BackupFiles = false;
        Options->SaveWindow = false;
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
        ResetFindState();
        ListLayout->Clear();
        ListLayout->SetDefaults();
        // The password column shown and protected: its rows read "[Hidden]".
        ListLayout->Columns[2]->Visible = true;
        w = std::make_unique<TKYVNMain>();
        errors.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message : QString("?: ") + (e ? e->what() : ""));
        });
        makeFile();
        QsAnswers::Push(QStringLiteral("OpenFile"), path);
        QsAnswers::Push(QStringLiteral("TPassEdit"), kPassword);
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
        QsAnswers::Clear();
        QCOMPARE(w->CellText(0, 0), QStringLiteral("alpha"));
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QVERIFY(!FindDlg); // the dialog goes with its window
        QCOMPARE(QsAnswers::Pending(), 0);
        QsSetExceptionHandler(nullptr);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    }

    // One search from the top for each case: what it selects, or that nothing holds the text.
    void searchFromTheTop_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("allFields");
        QTest::addColumn<QString>("found");
        QTest::newRow("letter case counts") << "ALPHA" << false << "alpha"; // its login, not its name
        QTest::newRow("lower case misses upper") << "gamma" << false << "Cannot find";
        QTest::newRow("list: hidden password") << "topsecret" << false << "Cannot find";
        QTest::newRow("list: every row is Hidden") << "Hidden" << false << "alpha";
        QTest::newRow("list: shown date") << ShortDateText(QDate(2010, 12, 31)) << false << "Beta";
        QTest::newRow("list: notes not listed") << "line two" << false << "Cannot find";
        QTest::newRow("all: password found") << "topsecret" << true << "alpha";
        QTest::newRow("all: no Hidden there") << "Hidden" << true << "Cannot find";
        QTest::newRow("all: True is protected") << "True" << true << "alpha";
        QTest::newRow("all: False") << "False" << true << "Beta";
        QTest::newRow("all: year") << "2019" << true << "delta";
        QTest::newRow("all: DDMMYYYY") << "31122010" << true << "Beta";
        QTest::newRow("all: notes across the line break") << "one\r\nline" << true << "alpha";
        QTest::newRow("all: no separators in dates") << "31/12" << true << "Cannot find";
    }
    void searchFromTheTop() {
        QFETCH(QString, text);
        QFETCH(bool, allFields);
        QFETCH(QString, found);
        w->lvAccounts->selectionModel()->clearSelection();
        QCOMPARE(search(text, allFields), found);
        QCOMPARE(LastFindText, text);
    }

    void findNextWalksDownAndNeverWraps() {
        w->SelectRow(0);
        // From the selection on: alpha is selected, so the first match is the next protected account.
        QCOMPARE(search(QStringLiteral("True"), true), QStringLiteral("delta"));
        QCOMPARE(findNext(), QStringLiteral("Cannot find"));
        QCOMPARE(selected(), QStringLiteral("delta")); // the last match stays selected
        QCOMPARE(findNext(), QStringLiteral("Cannot find"));
        // The years 2010: alpha (created), Beta (created); from the top.
        w->lvAccounts->selectionModel()->clearSelection();
        QCOMPARE(search(QStringLiteral("2010"), true), QStringLiteral("alpha"));
        QCOMPARE(findNext(), QStringLiteral("Beta"));
        QCOMPARE(findNext(), QStringLiteral("Cannot find"));
    }

    void theMessageNamesTheText() {
        QsAnswers::SetRecording(true);
        QsAnswers::PushHandler(QStringLiteral("QsMessage"), [](QObject* object) {
            auto* box = qobject_cast<TQsMessage*>(object);
            return QVariant(box && box->windowTitle() == QStringLiteral("Tessivo Keyvane") ? int(QsAnswerOK) : -1);
        });
        FindAllFields = false;
        QVERIFY(!w->SearchAccounts(QStringLiteral("nowhere")));
        QCOMPARE(QsAnswers::Log(), QStringList{QStringLiteral("QsMessage: Cannot find 'nowhere'.")});
        QsAnswers::SetRecording(false);
    }

    void findClearsTheSelectionAndShowsTheDialog() {
        w->SelectRow(3);
        QVERIFY(w->RunCommand(w->actEditFind));
        QCOMPARE(w->SelectedRow(), -1);
        TFindDlg* dlg = FindDlg;
        QVERIFY(dlg);
        QVERIFY(dlg->isVisible());
        QVERIFY(!dlg->cmdFind->isEnabled());
        // The dialog stays usable beside the window: the window is not blocked.
        QVERIFY(!dlg->isModal());
        dlg->cbText->setEditText(QStringLiteral("user"));
        QVERIFY(dlg->cmdFind->isEnabled());
        QTest::mouseClick(dlg->cmdFind, Qt::LeftButton);
        QCOMPARE(selected(), QStringLiteral("Beta"));
        QVERIFY(!dlg->isVisible()); // a successful search closes it
        QCOMPARE(findNext(), QStringLiteral("Gamma"));
        // Shown again: the same dialog, with its text and history.
        QVERIFY(w->RunCommand(w->actEditFind));
        QCOMPARE(FindDlg, dlg);
        QCOMPARE(dlg->cbText->currentText(), QStringLiteral("user"));
        QCOMPARE(dlg->History(), QStringList{QStringLiteral("user")});
        // A search without a match keeps it open.
        dlg->cbText->setEditText(QStringLiteral("zzz"));
        QsAnswers::Push(QStringLiteral("QsMessage"), int(QsAnswerOK));
        QTest::mouseClick(dlg->cmdFind, Qt::LeftButton);
        QVERIFY(dlg->isVisible());
        QCOMPARE(w->SelectedRow(), -1);
        dlg->hide();
    }

    void findNextBeforeAnySearchOpensTheDialog() {
        w->SelectRow(1);
        QCOMPARE(findNext(), QStringLiteral("<none>"));
        QVERIFY(FindDlg && FindDlg->isVisible());
        FindDlg->hide();
    }

    void theScopeChangesWithoutASearch() {
        QVERIFY(w->RunCommand(w->actEditFind));
        TFindDlg* dlg = FindDlg;
        dlg->cbText->setEditText(QStringLiteral("topsecret"));
        QsAnswers::Push(QStringLiteral("QsMessage"), int(QsAnswerOK));
        QTest::mouseClick(dlg->cmdFind, Qt::LeftButton); // list fields: hidden
        QVERIFY(dlg->isVisible());
        QTest::mouseClick(dlg->radAll, Qt::LeftButton);
        QVERIFY(FindAllFields);
        dlg->hide();
        w->lvAccounts->selectionModel()->clearSelection();
        QCOMPARE(findNext(), QStringLiteral("alpha"));
    }

    void bothCommandsNeedListedRows() {
        w->alMainUpdate();
        QVERIFY(w->actEditFind->isEnabled());
        QVERIFY(w->actEditFindNext->isEnabled());
        QVERIFY(w->RunCommand(w->actFileClose));
        w->alMainUpdate();
        QVERIFY(!w->actEditFind->isEnabled());
        QVERIFY(!w->actEditFindNext->isEnabled());
    }

    void propertiesShowTheOpenFile() {
        QString shownName;
        QsAnswers::PushHandler(QStringLiteral("TFilePropsForm"), [&](QObject* object) {
            auto* form = qobject_cast<TFilePropsForm*>(object);
            shownName = form->txtFileName->text() + u'|' + form->txtLocation->text() + u'|' + form->txtSize->text();
            return QVariant(true);
        });
        const QByteArray before = KyvnTest::readAll(path);
        QVERIFY(w->RunCommand(w->actFileProperties));
        QCOMPARE(shownName, QStringLiteral("search.kvf|%1/|%2 bytes").arg(dir.path()).arg(before.size()));
        QCOMPARE(KyvnTest::readAll(path), before);
    }

    void sendEmailHandsTheMessageOver() {
        // A stand-in mail tool on PATH records its arguments, one a line.
        QTemporaryDir bin;
        const QString record = bin.filePath(QStringLiteral("args.txt"));
        KyvnTest::writeAll(bin.filePath(QStringLiteral("xdg-email")),
                           QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1.part'\n"
                                          "mv '%1.part' '%1'\n")
                               .arg(record)
                               .toUtf8());
        QFile::setPermissions(bin.filePath(QStringLiteral("xdg-email")),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + savedPath);
        QVERIFY(w->RunCommand(w->actHelpSendEmail));
        QTRY_VERIFY(QFile::exists(record));
        qputenv("PATH", savedPath);
        QCOMPARE(QString::fromUtf8(KyvnTest::readAll(record)),
                 QStringLiteral("--utf8\n--to\nsupport@tessivo.example\n--subject\nTessivo Keyvane 2.0.0 Build 40\n"
                                "--body\n \n"));
    }

    void sendEmailWithoutAMailToolSaysNothing() {
        const QByteArray savedPath = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", QFile::encodeName(empty.path()));
        QsAnswers::SetRecording(true);
        QVERIFY(w->RunCommand(w->actHelpSendEmail));
        qputenv("PATH", savedPath);
        QVERIFY(QsAnswers::Log().isEmpty());
        QsAnswers::SetRecording(false);
    }

    void aboutShowsTheRecord() {
        QString caption, name, version;
        QsAnswers::PushHandler(QStringLiteral("TAboutForm"), [&](QObject* object) {
            auto* form = qobject_cast<TAboutForm*>(object);
            caption = form->windowTitle();
            name = form->lblApplicationName->text();
            version = form->lblApplicationVersion->text();
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actHelpAbout));
        QCOMPARE(caption, QStringLiteral("About Tessivo Keyvane..."));
        QCOMPARE(name, QStringLiteral("Tessivo Keyvane"));
        QCOMPARE(version, QStringLiteral("Version 2.0.0 Build 40"));
    }
};

KYVN_TEST_MAIN(TestMainSearch)
#include "tst_mainsearch.moc"
