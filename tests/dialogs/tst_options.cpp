// The preferences dialog: its pages and captions, loading, the enable rules, the number fields as a user
// types in them, the three checks, Apply / OK / Cancel with the autostart entry, fonts and colours.
#include "KyvnTest.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsAutoStart.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "frmOptions.h"
#include "uColors.h"
#include "uOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <memory>

class TestOptions : public QObject {
    Q_OBJECT
    std::unique_ptr<TOptionsDlg> dlg;
    QStringList errors;
    int applied = 0;

    void open() {
        dlg = std::make_unique<TOptionsDlg>();
        dlg->OnApply = [this] { ++applied; };
        dlg->LoadOptions();
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    }
    // a click on the box itself, where a user aims
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }
    static void type(TSpinField* field, const QString& keys) {
        field->setFocus();
        field->Edit()->selectAll();
        QTest::keyClick(field->Edit(), Qt::Key_Backspace);
        QTest::keyClicks(field->Edit(), keys);
    }

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ExeName = "/opt/key vane/bin/keyvane";
        Options = new TKYVNOptions;
    }
    void init() {
        *Options = TKYVNOptions();
        Options->AutoStart = false;
        DeleteAutoStartEntry();
        errors.clear();
        applied = 0;
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? q->Message + " | " + q->Details + " | " + QString::number(q->Kind) : "?");
        });
    }
    void cleanup() { dlg.reset(); }

    void pagesAndCaptions() {
        open();
        QCOMPARE(dlg->windowTitle(), QString("Preferences..."));
        QCOMPARE(dlg->HelpContext, 500);
        QCOMPARE(dlg->pcOptions->count(), 3);
        QCOMPARE(dlg->pcOptions->tabText(0), QString("  &General  "));
        QCOMPARE(dlg->pcOptions->tabText(1), QString("  &Security  "));
        QCOMPARE(dlg->pcOptions->tabText(2), QString("  Acco&unts List  "));
        const QList<QPair<QString, QString>> captions = {
            {"gbGeneral", " Application "},
            {"chkCloseMinimizes", "Close &button minimizes application"},
            {"chkSaveWindow", "Sa&ve window properties"},
            {"chkSaveList", "Sav&e accounts list properties"},
            {"gbStartup", " Startup "},
            {"chkAutoStartup", "Auto start at s&ystem startup"},
            {"chkTrayIcon", "&Place icon in taskbar tray"},
            {"chkMinimizeAtStartup", "&Minimize application at startup"},
            {"chkAutoOpen", "Au&to open last used file"},
            {"gbPrint", " Print "},
            {"lblReport", "Default report:"},
            {"radSimple", "Simp&le (account name, login and password)"},
            {"radComplete", "Compl&ete"},
            {"gbSecurity", " Security "},
            {"chkMinimizeAfter", "&Minimize application after:"},
            {"lblMinimizeAfter", "seconds"},
            {"chkClearClipboard", "&Wait for:"},
            {"lblClearClipboard", "seconds before clearing Clipboard"},
            {"chkMinimizeOnLock", "Minimize when the screen loc&ks"},
            {"chkTrayPassword", "&Require password to open from tray"},
            {"chkPrintPassword", "R&equire password to print passwords file"},
            {"chkExportPassword", "Re&quire password to export passwords file"},
            {"chkDisplayPassword", "&Display password with account details"},
            {"gbPasswords", " Password generation "},
            {"lblPasswordLength", "&Length:"},
            {"lblCharacters", "characters"},
            {"lblOldPasswordDays", "&Old after:"},
            {"lblOldPasswordDaysUnit", "days"},
            {"gbFiles", " Files "},
            {"chkBackupFiles", "Al&ways backup files"},
            {"gbListFont", " Accounts List font "},
            {"lblFontName", "Fo&nt name:"},
            {"gbListColors", " Accounts List colors "},
            {"rdColorDefaultWindows", "Use &Windows defaults"},
            {"rdColorUseColors", "Cus&tomize colors:"},
            {"lblTextColor", "T&ext color:"},
            {"lblBackColor", "&Background color:"},
            {"cmdOK", "&OK"},
            {"cmdCancel", "&Cancel"},
            {"cmdApply", "&Apply"},
        };
        for (const auto& [name, caption] : captions) {
            QObject* o = dlg->findChild<QObject*>(name);
            QVERIFY2(o, qPrintable(name));
            QString text;
            if (auto* b = qobject_cast<QAbstractButton*>(o))
                text = b->text();
            else if (auto* g = qobject_cast<QGroupBox*>(o))
                text = g->title();
            else if (auto* l = qobject_cast<QLabel*>(o))
                text = l->text();
            QCOMPARE(text, caption);
        }
        QVERIFY(dlg->cmdOK->isDefault());
        QVERIFY(dlg->sizeHint().width() < 700); // fits a small screen
        dlg->pcOptions->setCurrentIndex(1);
        KyvnTest::shoot(dlg.get(), "preferences-security");
    }

    void everyControlLoadsAndAppliesItsPreference() {
        // every field the other way round from the defaults
        Options->CloseMinimizes = false;
        Options->SaveWindow = false;
        Options->SaveList = false;
        Options->AutoStart = true;
        Options->TrayIcon = false;
        Options->MinimizeAtStartup = true;
        Options->AutoOpenLastFile = false;
        Options->SimpleReport = false;
        Options->AutoMinimizeAfter = true;
        Options->AutoMinimizeAfterNSecs = 45;
        Options->ClearClipboard = false;
        Options->ClearClipboardAfterNSecs = 12;
        Options->TrayPassword = true;
        Options->MinimizeOnLock = false;
        Options->PrintPassword = true;
        Options->ExportPassword = true;
        Options->DisplayPassword = false;
        Options->PasswordLength = 17;
        Options->OldPasswordDays = 1200;
        Options->BackupFiles = false;
        Options->DefaultColors = false;
        Options->TextColor = 0x000080; // Maroon
        Options->BackColor = 0xF0FBFF; // Cream
        const TKYVNOptions before = *Options;
        open();
        QVERIFY(!dlg->chkCloseMinimizes->isChecked());
        QVERIFY(!dlg->chkMinimizeOnLock->isChecked());
        QVERIFY(dlg->chkAutoStartup->isChecked());
        QVERIFY(dlg->radComplete->isChecked());
        QCOMPARE(dlg->txtMinimizeAfter->text(), QString("45"));
        QCOMPARE(dlg->txtClearClipboard->text(), QString("12"));
        QCOMPARE(dlg->txtPasswordLength->text(), QString("17"));
        QCOMPARE(dlg->txtOldPasswordDays->text(), QString("1200"));
        QCOMPARE(dlg->cbTextColor->currentText(), QString("Maroon"));
        QCOMPARE(dlg->cbBackColor->currentText(), QString("Cream"));
        QVERIFY(dlg->rdColorUseColors->isChecked());
        // Apply with nothing changed gives back every value
        *Options = TKYVNOptions();
        QTest::mouseClick(dlg->cmdApply, Qt::LeftButton);
        QCOMPARE(errors, QStringList());
        QCOMPARE(applied, 1);
        const TKYVNOptions& o = *Options;
        QCOMPARE(o.CloseMinimizes, before.CloseMinimizes);
        QCOMPARE(o.SaveWindow, before.SaveWindow);
        QCOMPARE(o.SaveList, before.SaveList);
        QCOMPARE(o.AutoStart, before.AutoStart);
        QCOMPARE(o.TrayIcon, before.TrayIcon);
        QCOMPARE(o.MinimizeAtStartup, before.MinimizeAtStartup);
        QCOMPARE(o.AutoOpenLastFile, before.AutoOpenLastFile);
        QCOMPARE(o.SimpleReport, before.SimpleReport);
        QCOMPARE(o.AutoMinimizeAfter, before.AutoMinimizeAfter);
        QCOMPARE(o.AutoMinimizeAfterNSecs, before.AutoMinimizeAfterNSecs);
        QCOMPARE(o.ClearClipboard, before.ClearClipboard);
        QCOMPARE(o.ClearClipboardAfterNSecs, before.ClearClipboardAfterNSecs);
        QCOMPARE(o.TrayPassword, before.TrayPassword);
        QCOMPARE(o.MinimizeOnLock, before.MinimizeOnLock);
        QCOMPARE(o.PrintPassword, before.PrintPassword);
        QCOMPARE(o.ExportPassword, before.ExportPassword);
        QCOMPARE(o.DisplayPassword, before.DisplayPassword);
        QCOMPARE(o.PasswordLength, before.PasswordLength);
        QCOMPARE(o.OldPasswordDays, before.OldPasswordDays);
        QCOMPARE(o.BackupFiles, before.BackupFiles);
        QCOMPARE(o.FontName, before.FontName);
        QCOMPARE(o.DefaultColors, before.DefaultColors);
        QCOMPARE(o.TextColor, before.TextColor);
        QCOMPARE(o.BackColor, before.BackColor);
        QVERIFY(dlg->isVisible()); // Apply leaves the dialog open
    }

    void storedValuesOutsideTheRangeShowAsTheBound() {
        Options->AutoMinimizeAfterNSecs = 500;
        Options->ClearClipboardAfterNSecs = -3;
        Options->PasswordLength = 99;
        open();
        QCOMPARE(dlg->txtMinimizeAfter->text(), QString("180"));
        QCOMPARE(dlg->txtClearClipboard->text(), QString("1"));
        QCOMPARE(dlg->txtPasswordLength->text(), QString("64"));
    }

    void enableRules() {
        open();
        QVERIFY(!dlg->txtMinimizeAfter->isEnabled()); // AutoMinimizeAfter is off by default
        QVERIFY(dlg->txtClearClipboard->isEnabled());
        for (QWidget* c :
             std::initializer_list<QWidget*>{dlg->cbTextColor, dlg->cbBackColor, dlg->lblTextColor, dlg->lblBackColor})
            QVERIFY(!c->isEnabled());
        dlg->pcOptions->setCurrentIndex(1);
        click(dlg->chkMinimizeAfter);
        QVERIFY(dlg->txtMinimizeAfter->isEnabled());
        click(dlg->chkClearClipboard);
        QVERIFY(!dlg->txtClearClipboard->isEnabled());
        dlg->pcOptions->setCurrentIndex(2);
        click(dlg->rdColorUseColors);
        QVERIFY(dlg->cbTextColor->isEnabled() && dlg->lblBackColor->isEnabled());
    }

    void numberFieldsAsTyped() {
        Options->AutoMinimizeAfter = true;
        open();
        dlg->pcOptions->setCurrentIndex(1);
        TSpinField* f = dlg->txtMinimizeAfter;
        type(f, "1a-2 x9");
        QCOMPARE(f->text(), QString("129")); // digits only
        type(f, "12345");
        QCOMPARE(f->text(), QString("123")); // at most three
        type(f, "179");
        QTest::keyClick(f, Qt::Key_Up);
        QCOMPARE(f->text(), QString("180"));
        QTest::keyClick(f, Qt::Key_Up);
        QCOMPARE(f->text(), QString("180")); // within the range
        QTest::keyClick(f, Qt::Key_Down);
        QCOMPARE(f->text(), QString("179"));
        type(f, "2");
        QTest::keyClick(f, Qt::Key_Down);
        QTest::keyClick(f, Qt::Key_Down);
        QCOMPARE(f->text(), QString("1"));
        // leaving: outside the range to the nearest bound, empty stays empty
        type(f, "0");
        QTest::keyClick(f->Edit(), Qt::Key_Tab);
        QCOMPARE(f->text(), QString("1"));
        type(f, "999");
        dlg->chkTrayPassword->setFocus();
        QCOMPARE(f->text(), QString("180"));
        type(f, "");
        dlg->chkTrayPassword->setFocus();
        QCOMPARE(f->text(), QString());
        TSpinField* length = dlg->txtPasswordLength;
        type(length, "123");
        QCOMPARE(length->text(), QString("12"));
        type(length, "65");
        dlg->chkTrayPassword->setFocus();
        QCOMPARE(length->text(), QString("64"));
    }

    void enterInAFieldChecksWithoutLeavingIt() {
        Options->AutoMinimizeAfter = true;
        open();
        dlg->pcOptions->setCurrentIndex(1);
        type(dlg->txtMinimizeAfter, "0");
        QTest::keyClick(dlg->txtMinimizeAfter->Edit(), Qt::Key_Return);
        QCOMPARE(errors, QStringList({"Invalid time interval before minimizing application. | Value must be between 1 "
                                      "and 180. | 1"}));
        QVERIFY(dlg->isVisible());
        QCOMPARE(dlg->txtMinimizeAfter->text(), QString("0")); // not clamped: the focus did not move
        QCOMPARE(Options->AutoMinimizeAfterNSecs, 60);
        // a good value: Enter presses OK
        type(dlg->txtMinimizeAfter, "90");
        QTest::keyClick(dlg->txtMinimizeAfter->Edit(), Qt::Key_Return);
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QCOMPARE(Options->AutoMinimizeAfterNSecs, 90);
    }

    void checks_data() {
        QTest::addColumn<bool>("minimize");
        QTest::addColumn<QString>("minimizeText");
        QTest::addColumn<bool>("clear");
        QTest::addColumn<QString>("clearText");
        QTest::addColumn<QString>("lengthText");
        QTest::addColumn<QString>("message"); // empty: passes
        const QString minimizeMsg = "Invalid time interval before minimizing application. | Value must be between 1 "
                                    "and 180. | 1";
        const QString clearMsg = "Invalid time interval before clearing the clipboard. | Value must be between 1 and "
                                 "180. | 1";
        const QString lengthMsg = "Invalid password length. | Value must be between 1 and 64. | 1";
        QTest::newRow("all good") << true << "1" << true << "180"
                                  << "20"
                                  << "";
        QTest::newRow("minimise interval empty") << true << "" << true << "30"
                                                 << "8" << minimizeMsg;
        QTest::newRow("minimise interval 0") << true << "0" << true << "30"
                                             << "8" << minimizeMsg;
        QTest::newRow("minimise interval 181") << true << "181" << true << "30"
                                               << "8" << minimizeMsg;
        QTest::newRow("minimise unticked: not checked") << false << "" << true << "30"
                                                        << "8"
                                                        << "";
        QTest::newRow("clipboard interval 0") << true << "60" << true << "0"
                                              << "8" << clearMsg;
        QTest::newRow("clipboard unticked: not checked") << true << "60" << false << "999"
                                                         << "8"
                                                         << "";
        QTest::newRow("first failure wins") << true << "0" << true << "0"
                                            << "0" << minimizeMsg;
        QTest::newRow("length empty") << false << "" << false << ""
                                      << "" << lengthMsg;
        QTest::newRow("length 64") << true << "60" << true << "30"
                                   << "64"
                                   << "";
        QTest::newRow("length 65") << true << "60" << true << "30"
                                   << "65" << lengthMsg;
        QTest::newRow("length 0") << true << "60" << true << "30"
                                  << "0" << lengthMsg;
    }
    void checks() {
        QFETCH(bool, minimize);
        QFETCH(QString, minimizeText);
        QFETCH(bool, clear);
        QFETCH(QString, clearText);
        QFETCH(QString, lengthText);
        QFETCH(QString, message);
        Options->AutoStart = true;
        open();
        dlg->chkMinimizeAfter->setChecked(minimize);
        dlg->chkClearClipboard->setChecked(clear);
        dlg->chkAutoStartup->setChecked(false);
        dlg->txtMinimizeAfter->Edit()->setText(minimizeText);
        dlg->txtClearClipboard->Edit()->setText(clearText);
        dlg->txtPasswordLength->Edit()->setText(lengthText);
        WriteAutoStartEntry(AppInfo->ExeName);
        QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
        if (message.isEmpty()) {
            QCOMPARE(errors, QStringList());
            QCOMPARE(dlg->result(), int(QDialog::Accepted));
            QVERIFY(!Options->AutoStart);
            QVERIFY(!AutoStartEntryExists());
        } else {
            QCOMPARE(errors, QStringList({message}));
            QVERIFY(dlg->isVisible());
            QCOMPARE(applied, 0);
            QVERIFY(Options->AutoStart); // nothing applied
            QVERIFY(AutoStartEntryExists());
        }
    }

    void passwordAgeIsChecked_data() {
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("message");
        const QString ageMsg = "Invalid password age. | Value must be between 1 and 3650. | 1";
        QTest::newRow("a year") << "365"
                                << "";
        QTest::newRow("one day") << "1"
                                 << "";
        QTest::newRow("ten years") << "3650"
                                   << "";
        QTest::newRow("empty") << "" << ageMsg;
        QTest::newRow("0") << "0" << ageMsg;
        QTest::newRow("3651") << "3651" << ageMsg;
    }
    void passwordAgeIsChecked() {
        QFETCH(QString, days);
        QFETCH(QString, message);
        open();
        dlg->txtOldPasswordDays->Edit()->setText(days);
        QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
        QCOMPARE(errors, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(Options->OldPasswordDays, message.isEmpty() ? days.toInt() : 365);
    }

    void anUntickedEmptyIntervalKeepsItsValue() {
        open();
        dlg->txtClearClipboard->Edit()->clear();
        dlg->chkClearClipboard->setChecked(false);
        QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
        QCOMPARE(errors, QStringList());
        QVERIFY(!Options->ClearClipboard);
        QCOMPARE(Options->ClearClipboardAfterNSecs, 30);
    }

    void autoStartEntryOnEveryApplyAndOK() {
        open();
        dlg->chkAutoStartup->setChecked(true);
        QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
        QVERIFY(AutoStartEntryExists());
        const QString entry = QString::fromUtf8(KyvnTest::readAll(AutoStartEntryPath()));
        QVERIFY2(entry.contains("Exec=" + AutoStartExecValue(AppInfo->ExeName) + "\n"), qPrintable(entry));
        // OK with the box unchanged writes it again
        QFile::remove(AutoStartEntryPath());
        open();
        QVERIFY(dlg->chkAutoStartup->isChecked());
        QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
        QVERIFY(AutoStartEntryExists());
        // clearing removes it
        open();
        dlg->chkAutoStartup->setChecked(false);
        QTest::mouseClick(dlg->cmdApply, Qt::LeftButton);
        QVERIFY(!AutoStartEntryExists());
    }

    void applyThenCancelKeepsWhatWasApplied() {
        open();
        dlg->chkBackupFiles->setChecked(false);
        QTest::mouseClick(dlg->cmdApply, Qt::LeftButton);
        dlg->chkSaveList->setChecked(false);
        QTest::mouseClick(dlg->cmdCancel, Qt::LeftButton);
        QCOMPARE(dlg->result(), int(QDialog::Rejected));
        QVERIFY(!Options->BackupFiles);
        QVERIFY(Options->SaveList);
        QCOMPARE(applied, 1);
    }
    void escapeCancels() {
        open();
        dlg->chkBackupFiles->setChecked(false);
        QTest::keyClick(dlg->chkBackupFiles, Qt::Key_Escape);
        QTRY_VERIFY(!dlg->isVisible());
        QVERIFY(Options->BackupFiles);
    }

    void coloursReadBackAsChosen_data() {
        QTest::addColumn<qint32>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a standard colour") << qint32(0x0000FF) << "Red";
        QTest::newRow("an extended colour") << qint32(0xF0CAA6) << "Sky Blue";
        QTest::newRow("a desktop colour") << qint32(SystemColorBase | 5) << "Window";
        QTest::newRow("a plain colour the list does not name") << qint32(0x123456) << "Custom";
    }
    void coloursReadBackAsChosen() {
        QFETCH(qint32, stored);
        QFETCH(QString, shown);
        Options->BackColor = stored;
        open();
        QCOMPARE(dlg->cbBackColor->currentText(), shown);
        Options->BackColor = 0;
        QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
        QCOMPARE(Options->BackColor, stored);
    }
    void coloursAreStoredRedInTheLowestByte() {
        QCOMPARE(ValueFromColor(QColor(0x11, 0x22, 0x33)), qint32(0x332211));
        QCOMPARE(ColorFromValue(0x332211, QPalette()), QColor(0x11, 0x22, 0x33));
        QPalette pal;
        pal.setColor(QPalette::Active, QPalette::Highlight, QColor(1, 2, 3));
        QCOMPARE(ColorFromValue(SystemColorBase | 13, pal), QColor(1, 2, 3));
        QStringList names;
        for (const TKYVNNamedColor& c : NamedColors())
            names << c.Name;
        QCOMPARE(names.removeDuplicates(), 0);
        for (const char* n : {"Black", "White", "Money Green", "Window Text", "Button Face", "Highlight"})
            QVERIFY2(names.contains(n), n);
    }
    void withWindowsDefaultsTheColourChoicesAreStoredAllTheSame() {
        open();
        dlg->rdColorUseColors->setChecked(true);
        dlg->cbTextColor->setCurrentText("Teal");
        dlg->rdColorDefaultWindows->setChecked(true);
        QVERIFY(!dlg->cbTextColor->isEnabled());
        QCOMPARE(dlg->cbTextColor->currentText(), QString("Teal"));
        QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
        QVERIFY(Options->DefaultColors);
        QCOMPARE(Options->TextColor, qint32(0x808000));
    }

    void fonts() {
        const QStringList families = TOptionsDlg::ListFontFamilies();
        QVERIFY(!families.isEmpty());
        for (const QString& f : families) {
            QVERIFY2(!QFontDatabase::writingSystems(f).contains(QFontDatabase::Symbol), qPrintable(f));
            QVERIFY2(QFontDatabase::writingSystems(f).contains(QFontDatabase::Latin), qPrintable(f));
            QVERIFY2(QFontDatabase::isScalable(f), qPrintable(f));
        }
        // a face that is not installed is shown and kept
        Options->FontName = "No Such Face 42";
        open();
        QCOMPARE(dlg->cbFontName->currentText(), QString("No Such Face 42"));
        QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
        QCOMPARE(Options->FontName, QString("No Such Face 42"));
        // an installed one chosen
        open();
        dlg->cbFontName->setCurrentText(families.first());
        QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
        QCOMPARE(Options->FontName, families.first());
    }

    void f1OpensThePreferencesHelp() {
        AppInfo->HelpFile = QStringLiteral(KEYVANE_SOURCE_DIR "/share/help/index.html");
        open();
        QTest::keyClick(dlg->chkSaveList, Qt::Key_F1);
        QTRY_VERIFY(QsHelpWindow() && QsHelpWindow()->isVisible());
        QVERIFY(QsHelpBrowser()->source().toString().endsWith("options.html"));
        QsHelpWindow()->close();
        AppInfo->HelpFile.clear();
    }
    void editPreferencesThroughTheSeam() {
        QsAnswers::PushHandler("TOptionsDlg", [](QObject* object) {
            auto* d = static_cast<TOptionsDlg*>(object);
            if (d->pcOptions->currentIndex() != 0)
                return QVariant(false);
            d->chkDisplayPassword->setChecked(false);
            return QVariant(true);
        });
        int calls = 0;
        EditPreferences([&] { ++calls; });
        QCOMPARE(calls, 1);
        QVERIFY(!Options->DisplayPassword);
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    // KEYVANE_SHOTS=<folder>: the three pages as pictures for a person to look at.
    void pictures() {
        const QString shots = qEnvironmentVariable("KEYVANE_SHOTS");
        if (shots.isEmpty())
            QSKIP("KEYVANE_SHOTS not set");
        QDir().mkpath(shots);
        Options->AutoMinimizeAfter = true;
        Options->DefaultColors = false;
        open();
        for (int page = 0; page < 3; ++page) {
            dlg->pcOptions->setCurrentIndex(page);
            QVERIFY(dlg->grab().save(shots + QString("/preferences-%1.png").arg(page + 1)));
        }
    }
};

KYVN_TEST_MAIN(TestOptions)
#include "tst_options.moc"
