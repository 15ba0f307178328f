// The splash window and the about box: their controls, the record's texts and the keys of the box.
#include "KyvnTest.h"

#include "QsAboutFrm2.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "QsSplashFrm2.h"
#include "uMain.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

namespace {
TQsApplication record(const QString& version) {
    TQsApplication a;
    a.Title = QStringLiteral("Tessivo Keyvane");
    a.FamilyName = QStringLiteral("Tessivo Nimbrel");
    a.ShortName = QStringLiteral("Keyvane");
    a.Version = version;
    a.LegalNotice = QStringLiteral("Copyright (C) Tessivo");
    a.OtherNotices = QStringLiteral("Other notices");
    a.IconName = QStringLiteral("keyvane");
    a.ThemeColor = 58u | (110u << 8) | (165u << 16);
    return a;
}
// A picture of the widget for a person to look at, when KEYVANE_SHOTS names a folder.
void keepShot(QWidget& w, const QString& name) {
    if (const QString shots = qEnvironmentVariable("KEYVANE_SHOTS"); !shots.isEmpty()) {
        QDir().mkpath(shots);
        w.grab().save(shots + u'/' + name + QStringLiteral(".png"));
    }
}
} // namespace

class TestSplashAbout : public QObject {
    Q_OBJECT
    QStringList errors;

private slots:
    void init() {
        errors.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? q->Message : QString::fromUtf8(e->what()));
        });
    }
    void cleanup() {
        QsSetExceptionHandler(nullptr);
        CloseSplash();
    }

    void designFormatFillsEachPlaceInTurn() {
        QCOMPARE(DesignFormat(QStringLiteral("%s %s"), {"Version", "1.0 %s"}), QStringLiteral("Version 1.0 %s"));
        QCOMPARE(DesignFormat(QStringLiteral("About %s..."), {"X", "unused"}), QStringLiteral("About X..."));
    }

    void splashShowsTheRecordOverThePicture() {
        const QImage picture = LoadSplashPicture();
        QCOMPARE(picture.size(), QSize(500, 400));
        TQsApplication app = record(QStringLiteral("1.3.0 Build 39"));
        app.SpecialVersion = QStringLiteral("Beta");
        ShowSplash(app, picture, Qt::white);
        TSplashForm* splash = SplashForm();
        QVERIFY(splash && splash->isVisible());
        QCOMPARE(splash->size(), QSize(500, 400));
        const Qt::WindowFlags flags = splash->windowFlags();
        QVERIFY(flags & Qt::FramelessWindowHint);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QCOMPARE(splash->lblApplicationVersion->text(), QStringLiteral("Version 1.3.0 Build 39"));
        QCOMPARE(splash->lblSpecialVersion->text(), QStringLiteral("Beta"));
        QCOMPARE(splash->lblCopyright->text(), app.LegalNotice);
        QCOMPARE(splash->lblWarning->text(), SplashWarningText());
        QCOMPARE(splash->lblCopyright->palette().color(QPalette::WindowText), QColor(Qt::white));
        QCOMPARE(splash->lblWarning->palette().color(QPalette::WindowText), QColor(Qt::white));
        // The places of the labels.
        QCOMPARE(splash->lblSpecialVersion->geometry().topLeft(), QPoint(64, 104));
        QCOMPARE(splash->lblCopyright->geometry().topLeft(), QPoint(16, 280));
        QCOMPARE(splash->lblWarning->geometry().topLeft(), QPoint(16, 296));
        QCOMPARE(splash->lblApplicationVersion->geometry().topLeft(), QPoint(16, 328));
        QVERIFY(splash->lblWarning->wordWrap());
        QVERIFY(!splash->ImgSplash->pixmap().isNull());
        keepShot(*splash, QStringLiteral("splash"));
        CloseSplash();
        QVERIFY(!SplashForm());
    }

    void withoutAPictureTheSplashIsTeal() {
        ShowSplash(record(QStringLiteral("0.0.0")), QImage(), Qt::white);
        TSplashForm* splash = SplashForm();
        QVERIFY(splash->ImgSplash->pixmap().isNull());
        QCOMPARE(splash->lblApplicationVersion->text(), QStringLiteral("Version 0.0.0"));
        const QImage shot = splash->grab().toImage();
        QCOMPARE(shot.pixelColor(250, 200), QColor(0, 128, 128));
        QCOMPARE(shot.pixelColor(490, 10), QColor(0, 128, 128));
        keepShot(*splash, QStringLiteral("splash-no-picture"));
    }

    void startUpShowsTheSplashForItsTime() {
        // KEYVANE_SPLASH_MS is 0 in tests: shown and closed at once, the picture kept.
        AppInfo = new TQsApplication(record(QStringLiteral("1")));
        ShowStartupSplash();
        delete AppInfo;
        AppInfo = nullptr;
        QVERIFY(!SplashForm());
        QCOMPARE(SplashPicture().size(), QSize(500, 400));
        SplashPicture() = QImage();
    }

    void aboutBoxHoldsEveryControl() {
        TAboutForm form;
        form.Fill(record(QStringLiteral("0.0.0")), QStringLiteral("DejaVu Sans"));
        QCOMPARE(form.windowTitle(), QStringLiteral("About Tessivo Keyvane..."));
        QCOMPARE(form.size(), QSize(425, 382));
        QCOMPARE(form.font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(form.lblApplicationName->text(), QStringLiteral("Tessivo Keyvane"));
        QVERIFY(form.lblApplicationName->font().bold());
        QCOMPARE(form.lblApplicationName->font().pointSize(), 10);
        QCOMPARE(form.lblApplicationVersion->text(), QStringLiteral("Version 0.0.0"));
        QCOMPARE(form.lblCopyright->text(), QStringLiteral("Copyright (C) Tessivo"));
        QCOMPARE(form.lblOtherCopyrights->text(), QStringLiteral("Other notices"));
        QVERIFY(form.lblOtherCopyrights->wordWrap());
        QCOMPARE(form.lblLicenseText->text(), AboutLicenseText());
        QCOMPARE(form.lblLicenseText->font().pointSize(), 7);
        QCOMPARE(form.lblSpecialVersion->palette().color(QPalette::WindowText), QColor(128, 0, 0));
        QCOMPARE(form.pLeft->palette().color(QPalette::Window), QColor(58, 110, 165));
        QCOMPARE(form.pIcon02->palette().color(QPalette::Window), QColor(58, 110, 165));
        QCOMPARE(form.pIcon01->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(form.pIcon03->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(form.cmdOK->isDefault());
        QCOMPARE(form.cmdSysInfo->text(), QStringLiteral("&System Info..."));
        QCOMPARE(form.cmdSupport->text(), QStringLiteral("&Tech. Support..."));
        QVERIFY(!form.imgApplicationIcon->pixmap().isNull());
        keepShot(form, QStringLiteral("about"));
    }

    void theNameIsTheShortNameWhenTheTitleIsTheFamily() {
        TQsApplication app = record(QStringLiteral("1"));
        app.Title = app.FamilyName;
        TAboutForm form;
        form.Fill(app, QString());
        QCOMPARE(form.lblApplicationName->text(), QStringLiteral("Keyvane"));
    }

    void keysAndButtonsOfTheAboutBox() {
        // The help pages of the source tree stand in for the installed ones.
        TQsApplication app = record(QStringLiteral("1"));
        app.HelpFile = QStringLiteral(KEYVANE_SOURCE_DIR "/share/help/index.html");
        delete AppInfo;
        AppInfo = new TQsApplication(app);
        {
            TAboutForm form;
            form.Fill(app, QString());
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QTest::keyClick(form.cmdOK, Qt::Key_F1);
            QVERIFY(QsHelpBrowser());
            QTRY_VERIFY(QsHelpBrowser()->source().toString().endsWith(QStringLiteral("/index.html")));
            QTest::mouseClick(form.cmdSupport, Qt::LeftButton);
            QTRY_VERIFY(QsHelpBrowser()->source().toString().endsWith(QStringLiteral("/support.html")));
            QVERIFY(form.isVisible());
            QTest::keyClick(form.cmdOK, Qt::Key_Escape);
            QVERIFY(!form.isVisible());
            form.show();
            QTest::mouseClick(form.cmdOK, Qt::LeftButton);
            QVERIFY(!form.isVisible());
        }
        QsHelpWindow()->close();
        // System Info with no tool on PATH: one message, with the reason under it.
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", QFile::encodeName(empty.path()));
        TAboutForm form;
        form.Fill(app, QString());
        QTest::mouseClick(form.cmdSysInfo, Qt::LeftButton);
        qputenv("PATH", path);
        QCOMPARE(errors, QStringList{QStringLiteral("Unable to run System Info at this time.")});
        delete AppInfo;
        AppInfo = nullptr;
    }
};

KYVN_TEST_MAIN(TestSplashAbout)
#include "tst_splashabout.moc"
