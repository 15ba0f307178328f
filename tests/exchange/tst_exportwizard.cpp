// The export wizard on a real window: its pages and the way between them, the button states of every
// step, the destination test, the progress and the failures.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsExceptions.h"
#include "clsFile.h"
#include "frmExport.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <unistd.h>

namespace {
using KyvnTest::shoot;

// Back, Next, Cancel as "-" disabled, "+" enabled, "h" hidden.
QString buttons(const TExportWzd& w) {
    QString s;
    for (const QPushButton* b : {w.cmdBack, w.cmdNext, w.cmdCancel})
        s += !b->isVisible() ? u'h' : b->isEnabled() ? u'+' : u'-';
    return s;
}
} // namespace

class TestExportWizard : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    TKYVNFile file;
    std::unique_ptr<TExportWzd> w;
    QStringList errors;
    QStringList details;

    void next() { w->cmdNext->click(); }
    void back() { w->cmdBack->click(); }
    // From the first page to the fields, choosing the kind and the destination on the way.
    void toFields(bool text, const QString& destination) {
        next();
        (text ? w->radTextFile : w->radMSWord)->setChecked(true);
        next();
        w->txtDestination->setText(destination);
        next();
        QCOMPARE(w->Step, int(TExportWzd::StepFields));
    }
    void checkOnly(const QStringList& captions) {
        for (int i = 0; i < w->clbFields->count(); ++i)
            w->clbFields->item(i)->setCheckState(captions.contains(w->clbFields->item(i)->text()) ? Qt::Checked
                                                                                                  : Qt::Unchecked);
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        file.FileName = dir.filePath("Home.kvf");
        for (const char* name : {"Shop", "Bank", "mail"}) {
            auto* a = new TKYVNAccount;
            a->AccountName = QLatin1String(name);
            a->Login = QStringLiteral("user-") + QLatin1String(name);
            a->Password = QStringLiteral("pw\"") + QLatin1String(name);
            file.AddAccount(a);
        }
    }
    void init() {
        QsAnswers::Clear();
        errors.clear();
        details.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message : QString("?: ") + (e ? e->what() : ""));
            details << (q ? q->Details : QString());
        });
        w = std::make_unique<TExportWzd>();
        w->File = &file;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() {
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    void opensOnTheWelcomePage() {
        QCOMPARE(w->windowTitle(), QStringLiteral("Tessivo Keyvane Export Wizard..."));
        QCOMPARE(w->Step, 0);
        QVERIFY(w->pStepWelcome->isVisible());
        QVERIFY(!w->pTop->isVisible());
        QCOMPARE(buttons(*w), QStringLiteral("-++"));
        QTRY_VERIFY(w->cmdNext->hasFocus());
        QVERIFY(w->cmdNext->isDefault());
        QCOMPARE(w->HelpContext, 510);
        // the document export is always there
        QVERIFY(w->radMSWord->isEnabled());
        QCOMPARE(w->radMSWord->text(), QStringLiteral("&Microsoft Word Document"));
    }

    void everyPageHasItsHeaderAndButtons() {
        // Walk every page of the way with the passwords: header texts and button states as the step
        // table says, at the moments that matter.
        shoot(w.get(), "export-0-welcome");
        next();
        QCOMPARE(w->lblStepName->text(), QStringLiteral("Destination Type"));
        QCOMPARE(w->lblStepDescription->text(),
                 QStringLiteral("Select the file type you want to export your accounts to."));
        QVERIFY(w->radTextFile->isChecked());
        QCOMPARE(buttons(*w), QStringLiteral("+++"));
        shoot(w.get(), "export-1-type");
        next();
        QCOMPARE(w->lblStepName->text(), QStringLiteral("Destination File"));
        QCOMPARE(buttons(*w), QStringLiteral("+-+")); // empty destination
        w->txtDestination->setText(dir.filePath("out.csv"));
        QCOMPARE(buttons(*w), QStringLiteral("+++"));
        shoot(w.get(), "export-2-file");
        next();
        QCOMPARE(w->lblStepName->text(), QStringLiteral("Export Fields"));
        QCOMPARE(w->CheckedFields().size(), 9);
        checkOnly({});
        QCOMPARE(buttons(*w), QStringLiteral("+-+")); // no field
        checkOnly({"Account Name", "Password"});
        QCOMPARE(buttons(*w), QStringLiteral("+++"));
        shoot(w.get(), "export-3-fields");
        next();
        QCOMPARE(w->lblStepName->text(), QStringLiteral("Confirmation"));
        QVERIFY(w->radNo->isChecked());
        QCOMPARE(buttons(*w), QStringLiteral("+-+"));
        w->radYes->setChecked(true);
        QCOMPARE(buttons(*w), QStringLiteral("+++"));
        shoot(w.get(), "export-4-confirm");
        next();
        QCOMPARE(w->lblStepName->text(), QStringLiteral("Export"));
        QVERIFY(!w->gbProgress->isVisible());
        QCOMPARE(buttons(*w), QStringLiteral("+++"));
        shoot(w.get(), "export-5-export");
        next();
        QCOMPARE(errors, QStringList());
        QCOMPARE(w->Step, int(TExportWzd::StepFinished));
        QVERIFY(!w->pTop->isVisible());
        QCOMPARE(w->cmdCancel->text(), QStringLiteral("&Finish"));
        QCOMPARE(buttons(*w), QStringLiteral("hh+"));
        QVERIFY(w->cmdCancel->hasFocus());
        shoot(w.get(), "export-6-finished");
        QCOMPARE(KyvnTest::readAll(dir.filePath("out.csv")),
                 QByteArray("\"Account Name\",\"Password\"\r\n\"Shop\",\"pw\"\"Shop\"\r\n\"Bank\",\"pw\"\"Bank\"\r\n"
                            "\"mail\",\"pw\"\"mail\"\r\n"));
        w->cmdCancel->click();
        QVERIFY(!w->isVisible());
    }

    void withoutPasswordsTheConfirmationIsSkipped() {
        toFields(true, dir.filePath("np.csv"));
        checkOnly({"Account Name", "Login"});
        next();
        QCOMPARE(w->Step, int(TExportWzd::StepExport));
        back();
        QCOMPARE(w->Step, int(TExportWzd::StepFields));
        // entering the page again checks every field, the password among them
        QCOMPARE(w->CheckedFields().size(), 9);
        next();
        QCOMPARE(w->Step, int(TExportWzd::StepConfirm));
        back();
        QCOMPARE(w->Step, int(TExportWzd::StepFields));
    }

    void comingBackToTheConfirmationSelectsNoAgain() {
        toFields(true, dir.filePath("c.csv"));
        next();
        w->radYes->setChecked(true);
        next();
        QCOMPARE(w->Step, int(TExportWzd::StepExport));
        back();
        QCOMPARE(w->Step, int(TExportWzd::StepConfirm));
        QVERIFY(w->radNo->isChecked());
        QVERIFY(!w->cmdNext->isEnabled());
        next(); // disabled: nothing happens
        QCOMPARE(w->Step, int(TExportWzd::StepConfirm));
    }

    void pagesResetTheirChoicesWhenEntered() {
        next();
        w->radMSWord->setChecked(true);
        next();
        w->txtDestination->setText("x");
        back();
        QVERIFY(w->radTextFile->isChecked());
        next();
        QCOMPARE(w->txtDestination->text(), QString());
    }

    void invalidDestinationIsRefusedAndEmptied_data() {
        QTest::addColumn<QString>("destination");
        QTest::newRow("missing folder") << "/nonexistent-folder-kyvn/x.csv";
        QTest::newRow("a folder") << "/tmp";
        QTest::newRow("under a file") << "/etc/hostname/x.csv";
    }
    void invalidDestinationIsRefusedAndEmptied() {
        QFETCH(QString, destination);
        next();
        next();
        w->txtDestination->setText(destination);
        next();
        QCOMPARE(errors, QStringList({"2: Invalid file name."}));
        QCOMPARE(details, QStringList({QString()}));
        QCOMPARE(w->Step, int(TExportWzd::StepFile));
        QCOMPARE(w->txtDestination->text(), QString());
        QVERIFY(!w->cmdNext->isEnabled());
    }

    void thePasswordsFileIsNeverTheExport() {
        // Its accounts would be replaced by their copy in the clear.
        KyvnTest::writeAll(file.FileName, "enciphered accounts");
        const QString link = dir.filePath("link-to-home.kvf");
        QFile::link(file.FileName, link);
        for (const QString& target : {file.FileName, BackupFileName(file.FileName), link}) {
            errors.clear();
            w->Step = TExportWzd::StepFile;
            w->ShowStep();
            w->txtDestination->setText(target);
            next();
            QCOMPARE(errors, QStringList({"2: Invalid file name."}));
            QCOMPARE(w->Step, int(TExportWzd::StepFile));
        }
        QCOMPARE(KyvnTest::readAll(file.FileName), QByteArray("enciphered accounts"));
    }

    void saveDialogFillsTheDestination() {
        next();
        w->radMSWord->setChecked(true);
        next();
        QsAnswers::Push("SaveFile", dir.filePath("chosen.docx"));
        w->cmdBrowse->click();
        QCOMPARE(w->txtDestination->text(), dir.filePath("chosen.docx"));
        QVERIFY(QsAnswers::Log().contains("SaveFile: Select Destination File..."));
        // a cancelled dialog keeps what was there
        QsAnswers::Push("SaveFile", QString());
        w->cmdBrowse->click();
        QCOMPARE(w->txtDestination->text(), dir.filePath("chosen.docx"));
    }

    void saveDialogOffersTheKindChosen_data() {
        QTest::addColumn<bool>("text");
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("text") << true << QStringList({"Text Files (*.txt)", "CSV Files (*.csv)", "All Files (*)"})
                              << "txt";
        QTest::newRow("document") << false << QStringList({"Word Documents (*.docx)", "All Files (*)"}) << "docx";
    }
    void saveDialogOffersTheKindChosen() {
        QFETCH(bool, text);
        QFETCH(QStringList, filters);
        QFETCH(QString, suffix);
        next();
        (text ? w->radTextFile : w->radMSWord)->setChecked(true);
        next();
        QStringList seenFilters;
        QString seenSuffix, seenTitle;
        bool save = false, confirms = false;
        QsAnswers::PushHandler("SaveFile", [&](QObject* o) {
            auto* dlg = qobject_cast<QFileDialog*>(o);
            seenFilters = dlg->nameFilters();
            seenSuffix = dlg->defaultSuffix();
            seenTitle = dlg->windowTitle();
            save = dlg->acceptMode() == QFileDialog::AcceptSave;
            confirms = !dlg->testOption(QFileDialog::DontConfirmOverwrite);
            return QVariant(QString());
        });
        w->cmdBrowse->click();
        QCOMPARE(seenFilters, filters);
        QCOMPARE(seenSuffix, suffix);
        QCOMPARE(seenTitle, QStringLiteral("Select Destination File..."));
        QVERIFY(save);
        QVERIFY(confirms); // asks before replacing an existing file
    }

    void progressShowsEveryStageAndHoldsTheButtons() {
        toFields(true, dir.filePath("p.csv"));
        checkOnly({"Login"});
        next();
        w->PaintInterval = 0; // every account painted
        QStringList texts;
        bool buttonsHeld = true;
        bool stayedOpen = true;
        w->OnProgressPainted = [&](const QString& text, int) {
            texts << text;
            if (texts.size() == 3)
                shoot(w.get(), "export-5-progress");
            buttonsHeld = buttonsHeld && buttons(*w) == QStringLiteral("---") && w->Busy;
            w->reject(); // Esc or the close box while it works
            stayedOpen = stayedOpen && w->isVisible();
        };
        next();
        QCOMPARE(texts, QStringList({"Preparing...", "Exporting 'Shop'...", "Exporting 'Bank'...",
                                     "Exporting 'mail'...", "Saving..."}));
        QVERIFY(buttonsHeld);
        QVERIFY(stayedOpen);
        QCOMPARE(w->Step, int(TExportWzd::StepFinished));
        QVERIFY(!w->Busy);
    }

    void paintsOnlyWhenTheIntervalHasPassed() {
        // Long exports must not go through the event loop for every account.
        toFields(true, dir.filePath("t.csv"));
        checkOnly({"Login"});
        next();
        qint64 clock = 1000;
        w->Clock = [&] { return clock; };
        w->PaintInterval = 40;
        QStringList texts;
        w->OnProgressPainted = [&](const QString& text, int) { texts << text; };
        next(); // the clock stands still: only the start and the end are painted
        QCOMPARE(texts, QStringList({"Preparing...", "Saving..."}));
        QCOMPARE(w->pbOperation->value(), w->pbOperation->maximum());
    }

    void textFailureKeepsTheEarlierFileAndStays() {
        // The folder goes away between the destination test and the export.
        QDir(dir.path()).mkpath("gone");
        const QString target = dir.filePath("gone/x.csv");
        toFields(true, target);
        checkOnly({"Account Name"});
        next();
        QCOMPARE(w->Step, int(TExportWzd::StepExport));
        QVERIFY(QDir(dir.filePath("gone")).removeRecursively());
        next();
        QCOMPARE(errors, QStringList({"1: Error exporting to text file."}));
        QCOMPARE(details, QStringList({"File not found"}));
        QCOMPARE(w->Step, int(TExportWzd::StepExport));
        QVERIFY(!w->Busy);
        QVERIFY(!w->gbProgress->isVisible());
        QCOMPARE(buttons(*w), QStringLiteral("+++"));
        // the user may try again once the folder is back
        QDir(dir.path()).mkpath("gone");
        next();
        QCOMPARE(errors.size(), 1);
        QCOMPARE(w->Step, int(TExportWzd::StepFinished));
        QVERIFY(QFileInfo(target).isFile());
    }

    void documentFailureIsReportedAsSuch() {
        QDir(dir.path()).mkpath("gone2");
        const QString target = dir.filePath("gone2/x.docx");
        KyvnTest::writeAll(target, "earlier");
        toFields(false, target);
        checkOnly({"Web"});
        next();
        // the earlier file stays when the folder refuses new files
        QFile::setPermissions(dir.filePath("gone2"), QFile::ReadOwner | QFile::ExeOwner);
        if (::geteuid() == 0) {
            QFile::setPermissions(dir.filePath("gone2"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QVERIFY(QDir(dir.filePath("gone2")).removeRecursively());
        }
        next();
        QFile::setPermissions(dir.filePath("gone2"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(errors, QStringList({"1: Error exporting to document file."}));
        QCOMPARE(w->Step, int(TExportWzd::StepExport));
        if (::geteuid() != 0) {
            QCOMPARE(details, QStringList({"File access denied"}));
            QCOMPARE(KyvnTest::readAll(target), QByteArray("earlier"));
        }
    }

    void escapeClosesWhenIdle() {
        next();
        QTest::keyClick(w->radTextFile, Qt::Key_Escape);
        QTRY_VERIFY(!w->isVisible());
    }

    void showExportWizardGoesThroughTheSeam() {
        w.reset();
        bool driven = false;
        QsAnswers::PushHandler("TExportWzd", [&](QObject* o) {
            auto* wizard = qobject_cast<TExportWzd*>(o);
            driven = wizard && wizard->File == &file && wizard->Step == 0;
            return QVariant(0);
        });
        ShowExportWizard(file);
        QVERIFY(driven);
        QVERIFY(QsAnswers::Log().contains("TExportWzd: Tessivo Keyvane Export Wizard..."));
        w = std::make_unique<TExportWzd>();
    }
};

KYVN_TEST_MAIN(TestExportWizard)
#include "tst_exportwizard.moc"
