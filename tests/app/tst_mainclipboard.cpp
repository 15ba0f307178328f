// The copy commands and the clearing of the clipboard, on a clock the test moves: the clearing rules as a
// table of copies and foreign texts over time, and the clearing at the end of the run.
#include "KyvnTest.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsTimer.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QAction>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kPassword = QStringLiteral("pw1234");

// At second At: 'c' runs the copy command of field Text ("login", "password", "email", "web");
// 'o' another program puts Text on the clipboard; 'p' another program puts a picture there;
// '?' the clipboard is expected to hold Text.
struct TEvent {
    int At;
    char Op;
    QString Text;
};
} // namespace
Q_DECLARE_METATYPE(std::vector<TEvent>)

class TestMainClipboard : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TKYVNMain> w;

    void makeFile() {
        path = dir.filePath(QStringLiteral("clip.kvf"));
        QFile::remove(path);
        TKYVNFile f;
        f.FileName = path;
        f.Password = kPassword;
        auto* a = new TKYVNAccount;
        a->AccountName = QStringLiteral("Bank");
        a->Login = QStringLiteral("ann");
        a->Password = QStringLiteral("s3cr3t");
        a->Email = QStringLiteral("ann@bank.example");
        a->Web = QStringLiteral("www.bank.example");
        a->Protected = true;
        f.AddAccount(a);
        auto* b = new TKYVNAccount;
        b->AccountName = QStringLiteral("Club");
        b->Password = QStringLiteral("other");
        f.AddAccount(b);
        f.Save(false);
    }
    void openFile() {
        QsAnswers::Push(QStringLiteral("OpenFile"), path);
        QsAnswers::Push(QStringLiteral("TPassEdit"), kPassword);
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
        w->SelectRow(0);    // Bank
        QsAnswers::Clear(); // the questions of the opening
    }
    QAction* copyCommand(const QString& field) const {
        if (field == "login")
            return w->actEditCopyLogin;
        if (field == "password")
            return w->actEditCopyPassword;
        if (field == "email")
            return w->actEditCopyEmail;
        return w->actEditCopyWeb;
    }
    static QString clip() { return QGuiApplication::clipboard()->text(); }
    void at(int second) { TQsTestClock::Advance(qint64(second) * 1000 - TQsTestClock::Now()); }

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        Options = new TKYVNOptions;
        ListLayout = new TKYVNList;
        ListLayout->SetDefaults();
        makeFile();
    }
    void init() {
        TQsTestClock::Install();
        QsAnswers::Clear();
        *Options = TKYVNOptions();
        Options->SaveWindow = false;
        Options->AutoOpenLastFile = false;
        Options->CloseMinimizes = false;
        Options->TrayIcon = false;
        QGuiApplication::clipboard()->clear();
        w = std::make_unique<TKYVNMain>();
        openFile();
    }
    void cleanup() {
        if (w)
            w->ExitRequested = true;
        w.reset();
        TQsTestClock::Uninstall();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    void copiesCarryTheSecretHint_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("login") << "login"
                               << "ann";
        QTest::newRow("password of a protected account") << "password"
                                                         << "s3cr3t";
        QTest::newRow("email") << "email"
                               << "ann@bank.example";
        QTest::newRow("web") << "web"
                             << "www.bank.example";
    }
    void copiesCarryTheSecretHint() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QVERIFY(w->RunCommand(copyCommand(field)));
        QCOMPARE(clip(), value);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->data("x-kde-passwordManagerHint"), QByteArray("secret"));
        QCOMPARE(w->ClipboardText, value);
        QCOMPARE(QsAnswers::Log(), QStringList()); // no password asked, protected or not
    }

    void clearingRules_data() {
        QTest::addColumn<int>("delay");
        QTest::addColumn<std::vector<TEvent>>("events");
        QTest::newRow("cleared after the delay")
            << 30 << std::vector<TEvent>{{0, 'c', "password"}, {29, '?', "s3cr3t"}, {30, '?', ""}};
        QTest::newRow("a second copy is checked at the first copy's tick")
            << 30 << std::vector<TEvent>{{0, 'c', "password"}, {20, 'c', "login"}, {29, '?', "ann"}, {30, '?', ""}};
        QTest::newRow("another program's text is left alone, and looked at again at every tick")
            << 30 << std::vector<TEvent>{{0, 'c', "password"}, {10, 'o', "theirs"}, {30, '?', "theirs"},
                                         {45, 'o', "s3cr3t"},  {59, '?', "s3cr3t"}, {60, '?', ""}};
        QTest::newRow("an empty value: an empty clipboard counts as equal")
            << 5 << std::vector<TEvent>{{0, 'c', "web-of-club"}, {5, '?', ""}};
        QTest::newRow("an empty value: a picture-only clipboard counts as equal and is overwritten")
            << 5 << std::vector<TEvent>{{0, 'c', "web-of-club"}, {2, 'p', ""}, {5, '?', ""}};
        QTest::newRow("after the clearing, later texts are left alone")
            << 5
            << std::vector<TEvent>{
                   {0, 'c', "email"}, {5, '?', ""}, {6, 'o', "ann@bank.example"}, {60, '?', "ann@bank.example"}};
    }
    void clearingRules() {
        QFETCH(int, delay);
        QFETCH(std::vector<TEvent>, events);
        Options->ClearClipboardAfterNSecs = delay;
        QClipboard* cb = QGuiApplication::clipboard();
        for (const TEvent& e : events) {
            at(e.At);
            switch (e.Op) {
            case 'c':
                if (e.Text == "web-of-club") {
                    w->SelectRow(1);
                    QVERIFY(w->RunCommand(w->actEditCopyLogin)); // Club has no login
                } else {
                    w->SelectRow(0);
                    QVERIFY(w->RunCommand(copyCommand(e.Text)));
                }
                break;
            case 'o':
                cb->setText(e.Text);
                break;
            case 'p': {
                QImage picture(4, 4, QImage::Format_RGB32);
                picture.fill(Qt::red);
                cb->setImage(picture);
                break;
            }
            case '?':
                QVERIFY2(clip() == e.Text && !cb->mimeData()->hasImage(),
                         qPrintable(QString("at %1 s: '%2'").arg(e.At).arg(clip())));
                break;
            }
        }
    }

    void switchedOffClearingLeavesTheCopy() {
        Options->ClearClipboard = false;
        QVERIFY(w->RunCommand(w->actEditCopyPassword));
        at(600);
        QCOMPARE(clip(), QString("s3cr3t"));
        QVERIFY(!w->tClipboard->Enabled());
    }
    void clearingSwitchedOffAtTheTickWaitsForItToComeBack() {
        Options->ClearClipboardAfterNSecs = 10;
        QVERIFY(w->RunCommand(w->actEditCopyPassword));
        Options->ClearClipboard = false;
        at(35);
        QCOMPARE(clip(), QString("s3cr3t"));
        QVERIFY(w->tClipboard->Enabled());
        Options->ClearClipboard = true;
        at(40);
        QCOMPARE(clip(), QString());
    }
    void aHugeStoredDelayDoesNotClearAtOnce() {
        Options->ClearClipboardAfterNSecs = 2147483; // seconds × 1000 would wrap round a 32-bit period
        QVERIFY(w->RunCommand(w->actEditCopyPassword));
        at(3600);
        QCOMPARE(clip(), QString("s3cr3t"));
    }

    void theEndOfTheRunClearsACopyStillWaiting() {
        QVERIFY(w->RunCommand(w->actEditCopyPassword));
        at(5);
        w->ExitRequested = true;
        w->close();
        w.reset();
        QCOMPARE(clip(), QString());
    }
    void theEndOfTheRunLeavesAnotherProgramsText() {
        QVERIFY(w->RunCommand(w->actEditCopyPassword));
        QGuiApplication::clipboard()->setText("theirs");
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(clip(), QString("theirs"));
    }
    void theEndOfTheRunLeavesTheCopyWhenClearingIsOff() {
        Options->ClearClipboard = false;
        QVERIFY(w->RunCommand(w->actEditCopyPassword));
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(clip(), QString("s3cr3t"));
    }
};

KYVN_TEST_MAIN(TestMainClipboard)
#include "tst_mainclipboard.moc"
