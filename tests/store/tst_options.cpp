#include "KyvnTest.h"
#include "QsApp.h"
#include "QsAutoStart.h"
#include "QsRegUtils.h"
#include "uOptions.h"

using KyvnTest::TFreshStore;

namespace {
const TQsRegRoot LM = TQsRegRoot::LocalMachine;
const QString kOptions = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane\\Options");

// Every field but AutoStart set away from its initial value.
TKYVNOptions changedOptions() {
    TKYVNOptions o;
    o.CloseMinimizes = false;
    o.SaveWindow = false;
    o.SaveList = false;
    o.TrayIcon = false;
    o.MinimizeAtStartup = true;
    o.AutoOpenLastFile = false;
    o.SimpleReport = false;
    o.AutoMinimizeAfter = true;
    o.AutoMinimizeAfterNSecs = 175;
    o.ClearClipboard = false;
    o.ClearClipboardAfterNSecs = 3;
    o.TrayPassword = true;
    o.PrintPassword = true;
    o.ExportPassword = true;
    o.DisplayPassword = false;
    o.PasswordLength = 20;
    o.BackupFiles = false;
    o.MinimizeOnLock = false;
    o.FontName = "No Such Font Anywhere";
    o.DefaultColors = false;
    o.TextColor = 0x0000FF; // red
    o.BackColor = 0xA56E3A; // red 58, green 110, blue 165
    o.OldPasswordDays = 90;
    return o;
}

QList<QVariant> fields(const TKYVNOptions& o) {
    return {o.CloseMinimizes,    o.SaveWindow,
            o.SaveList,          o.AutoStart,
            o.TrayIcon,          o.MinimizeAtStartup,
            o.AutoOpenLastFile,  o.SimpleReport,
            o.AutoMinimizeAfter, o.AutoMinimizeAfterNSecs,
            o.ClearClipboard,    o.ClearClipboardAfterNSecs,
            o.TrayPassword,      o.MinimizeOnLock,
            o.PrintPassword,     o.ExportPassword,
            o.DisplayPassword,   o.PasswordLength,
            o.BackupFiles,       o.FontName,
            o.DefaultColors,     o.TextColor,
            o.BackColor,         o.OldPasswordDays};
}
} // namespace

class TestOptions : public QObject {
    Q_OBJECT
private slots:
    void emptyStoreGivesInitialValues() {
        TFreshStore store;
        TKYVNOptions o;
        o.Load();
        QCOMPARE(o.AutoStart, false); // no autostart entry
        TKYVNOptions expected;
        expected.AutoStart = false;
        QCOMPARE(fields(o), fields(expected));
        QCOMPARE(o.FontName, QString("Tahoma"));
        QCOMPARE(o.BackColor, 16777215);
        QCOMPARE(o.AutoMinimizeAfterNSecs, 60);
        QCOMPARE(o.ClearClipboardAfterNSecs, 30);
        QCOMPARE(o.PasswordLength, 20);
        QCOMPARE(o.OldPasswordDays, 365);
    }

    void roundTripWritesEveryStoredValue() {
        TFreshStore store;
        const TKYVNOptions saved = changedOptions();
        saved.Save();
        const QStringList names = ReadRegValueNames(LM, kOptions, "", {});
        QCOMPARE(names.size(), 23);
        QVERIFY(!names.contains("AutoStart"));
        QCOMPARE(names.first(), QString("CloseMinimizes"));
        QCOMPARE(names.last(), QString("OldPasswordDays"));
        QCOMPARE(ReadRegInteger(LM, kOptions, "SaveList", -1), 0); // booleans as 0 and 1
        QCOMPARE(ReadRegInteger(LM, kOptions, "MinimizeAtStartup", -1), 1);
        QCOMPARE(ReadRegString(LM, kOptions, "FontName", ""), QString("No Such Font Anywhere"));

        TKYVNOptions loaded;
        loaded.Load();
        TKYVNOptions expected = saved;
        expected.AutoStart = false;
        QCOMPARE(fields(loaded), fields(expected));
    }

    void autoStartFollowsTheEntry() {
        TFreshStore store;
        TKYVNOptions o;
        o.AutoStart = false;
        o.Save(); // never written, so it cannot come back from "Options"
        WriteAutoStartEntry("/usr/bin/keyvane");
        o.Load();
        QCOMPARE(o.AutoStart, true);
        DeleteAutoStartEntry();
        o.Load();
        QCOMPARE(o.AutoStart, false);
    }

    void wrongTypesAreIgnored() {
        TFreshStore store;
        WriteRegString(LM, kOptions, "CloseMinimizes", "0"); // a boolean stored as a string
        WriteRegString(LM, kOptions, "PasswordLength", "12");
        WriteRegInteger(LM, kOptions, "FontName", 5);
        WriteRegInteger(LM, kOptions, "TrayPassword", 2);                // any non-zero integer is true
        WriteRegInteger(LM, kOptions, "ClearClipboardAfterNSecs", 5000); // taken as it is, no range test
        TKYVNOptions o;
        o.Load();
        QCOMPARE(o.CloseMinimizes, true);
        QCOMPARE(o.PasswordLength, 20);
        QCOMPARE(o.FontName, QString("Tahoma"));
        QCOMPARE(o.TrayPassword, true);
        QCOMPARE(o.ClearClipboardAfterNSecs, 5000);
    }

    void followsTheApplicationRecord() {
        TFreshStore store;
        TQsApplication app;
        app.RegistryRoot = TQsRegRoot::CurrentUser;
        app.ProductKey = "Software\\Elsewhere";
        AppInfo = &app;
        TKYVNOptions o;
        o.PasswordLength = 13;
        o.Save();
        AppInfo = nullptr;
        QCOMPARE(ReadRegInteger(TQsRegRoot::CurrentUser, "Software\\Elsewhere\\Options", "PasswordLength", 0), 13);
        QVERIFY(!RegValueExists(LM, kOptions, "PasswordLength"));
    }
};

KYVN_TEST_CORE_MAIN(TestOptions)
#include "tst_options.moc"
