// With the program's MIME type and icon installed for the user, the file properties window names a
// passwords file by its type and shows the program's icon.
#include "KyvnTest.h"

#include "QsApp.h"
#include "QsFilePropsFrm.h"
#include "QsShellUtils.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>

class TestFileType : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty())
            QSKIP("update-mime-database is not installed");
        // Installed as a desktop would for one user, before anything asks the MIME database.
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
        QVERIFY(QDir().mkpath(data + "/mime/packages"));
        QVERIFY(QDir().mkpath(data + "/icons/hicolor/scalable/apps"));
        QVERIFY(QFile::copy(QStringLiteral(KEYVANE_SOURCE_DIR "/share/mime/keyvane.xml"),
                            data + "/mime/packages/keyvane.xml"));
        QVERIFY(QFile::copy(QStringLiteral(KEYVANE_SOURCE_DIR "/share/icons/hicolor/scalable/apps/keyvane.svg"),
                            data + "/icons/hicolor/scalable/apps/keyvane.svg"));
        QCOMPARE(QProcess::execute(QStringLiteral("update-mime-database"), {data + "/mime"}), 0);
        // The folders a desktop session searches (the offscreen platform knows none of them).
        QIcon::setThemeSearchPaths(QIcon::themeSearchPaths() << data + "/icons" << QStringLiteral("/usr/share/icons"));
        if (QIcon::themeName().isEmpty())
            QIcon::setThemeName(QStringLiteral("hicolor"));
    }

    void aPasswordsFileIsNamedByItsType() {
        const QString path = dir.filePath(QStringLiteral("Home.kvf"));
        KyvnTest::writeAll(path, QByteArray(8, '\0'));
        TFilePropsForm form;
        form.Fill(path);
        QCOMPARE(form.txtFileType->text(), QStringLiteral("Keyvane passwords file"));
        // The program's icon, not the window's own picture: the icon's blue fills the middle.
        QVERIFY(!FileIcon(path).isNull());
        const QImage shown = form.imgIcon->pixmap().toImage();
        QVERIFY(shown.pixelColor(4, 16).blue() > 120);
        // Another extension keeps its own type.
        const QString other = dir.filePath(QStringLiteral("notes.xyzq"));
        KyvnTest::writeAll(other, "x");
        form.Fill(other);
        QCOMPARE(form.txtFileType->text(), QStringLiteral("XYZQ File"));
    }
};

KYVN_TEST_MAIN(TestFileType)
#include "tst_filetype.moc"
