// The file properties window: every field for real files, and the defaults where nothing is known.
#include "KyvnTest.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsFilePropsFrm.h"
#include "QsStrUtils.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

class TestFileProps : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString makeFile(const QString& name, qint64 size) {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.resize(size))
            return {};
        return path;
    }
    static QStringList ticked(const TFilePropsForm& form) {
        QStringList items;
        for (int i = 0; i < form.clbAttributes->count(); ++i)
            if (form.clbAttributes->item(i)->checkState() == Qt::Checked)
                items << form.clbAttributes->item(i)->text();
        return items;
    }

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->Title = QStringLiteral("Tessivo Keyvane");
    }
    void cleanupTestCase() {
        delete AppInfo;
        AppInfo = nullptr;
    }

    void sizeIsGroupedWithCommas_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << qint64(0) << "0 bytes";
        QTest::newRow("three digits") << qint64(512) << "512 bytes";
        QTest::newRow("four digits") << qint64(2048) << "2,048 bytes";
        QTest::newRow("a byte short of a million") << qint64(999999) << "999,999 bytes";
        QTest::newRow("a million") << qint64(1000000) << "1,000,000 bytes";
        QTest::newRow("seven digits") << qint64(1234567) << "1,234,567 bytes";
        QTest::newRow("beyond 32 bits") << qint64(5000000000) << "5,000,000,000 bytes";
    }
    void sizeIsGroupedWithCommas() {
        QFETCH(qint64, size);
        QFETCH(QString, shown);
        const QString path = makeFile(QStringLiteral("size.kvf"), size); // sparse: no disk space is used
        QVERIFY(!path.isEmpty());
        TFilePropsForm form;
        form.Fill(path);
        QCOMPARE(form.txtSize->text(), shown);
    }

    void fieldsOfAPasswordsFile() {
        const QString path = makeFile(QStringLiteral("accounts.kvf"), 16);
        // Written at an odd second: shown one second earlier, in the two-second steps of the times.
        const QDateTime odd(QDate(2021, 6, 7), QTime(8, 9, 11));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(odd, QFileDevice::FileModificationTime));
        f.close();
        const QByteArray before = KyvnTest::readAll(path);

        TFilePropsForm form;
        form.Fill(path);
        QCOMPARE(form.windowTitle(), QStringLiteral("File Properties..."));
        QCOMPARE(form.pcProperties->tabText(0), QStringLiteral("General"));
        QCOMPARE(form.txtFileName->text(), QStringLiteral("accounts.kvf"));
        QCOMPARE(form.txtLocation->text(), dir.path() + u'/');
        // Without the program's type installed the extension names the type.
        if (form.txtFileType->text() != QStringLiteral("Keyvane passwords file"))
            QCOMPARE(form.txtFileType->text(), QStringLiteral("KVF File"));
        QCOMPARE(form.txtModified->text(), DateTimeText(QDateTime(QDate(2021, 6, 7), QTime(8, 9, 10))));
        QVERIFY(form.txtAccessed->text() != QStringLiteral("Unknown"));
        QVERIFY(!form.txtCreated->text().isEmpty()); // the birth time, or "Unknown" where none is kept
        QCOMPARE(ticked(form), QStringList{QStringLiteral("Archive")});
        QVERIFY(!form.imgIcon->pixmap().isNull());
        for (QLineEdit* edit : form.findChildren<QLineEdit*>())
            QVERIFY(edit->isReadOnly());
        QCOMPARE(KyvnTest::readAll(path), before);
    }

    void attributesFromTheModeBits() {
        const QString readOnly = makeFile(QStringLiteral("locked.kvf"), 1);
        QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        const QString hidden = makeFile(QStringLiteral(".hidden.kvf"), 1);
        TFilePropsForm form;
        form.Fill(readOnly);
        QCOMPARE(ticked(form), (QStringList{"Archive", "Read-only"}));
        // The list shows; it cannot be changed.
        QVERIFY(!form.clbAttributes->isEnabled());
        QCOMPARE(form.clbAttributes->focusPolicy(), Qt::NoFocus);
        form.Fill(hidden);
        QCOMPARE(ticked(form), (QStringList{"Archive", "Hidden"}));
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void aMissingFileKeepsTheDefaults() {
        TFilePropsForm form;
        form.Fill(dir.filePath(QStringLiteral("gone.kvf")));
        QCOMPARE(form.txtFileName->text(), QStringLiteral("gone.kvf"));
        QCOMPARE(form.txtSize->text(), QStringLiteral("Unknown"));
        for (QLineEdit* edit : {form.txtCreated, form.txtModified, form.txtAccessed})
            QCOMPARE(edit->text(), QStringLiteral("Unknown"));
        QVERIFY(ticked(form).isEmpty());
        QVERIFY(!form.imgIcon->pixmap().isNull());
    }

    void closeAndEscapeClose() {
        for (const bool escape : {false, true}) {
            TFilePropsForm form;
            form.Fill(makeFile(QStringLiteral("k.kvf"), 3));
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QVERIFY(form.cmdClose->isDefault());
            if (escape)
                QTest::keyClick(form.cmdClose, Qt::Key_Escape);
            else
                QTest::mouseClick(form.cmdClose, Qt::LeftButton);
            QVERIFY(!form.isVisible());
        }
    }

    void showFilePropertiesGoesThroughTheSeam() {
        const QString path = makeFile(QStringLiteral("seam.kvf"), 2048);
        QString size;
        QsAnswers::PushHandler(QStringLiteral("TFilePropsForm"), [&](QObject* object) {
            size = qobject_cast<TFilePropsForm*>(object)->txtSize->text();
            return QVariant(true);
        });
        ShowFileProperties(path);
        QCOMPARE(size, QStringLiteral("2,048 bytes"));
        QCOMPARE(QsAnswers::Pending(), 0);
    }
};

KYVN_TEST_MAIN(TestFileProps)
#include "tst_fileprops.moc"
