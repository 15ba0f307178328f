#include "KyvnTest.h"
#include "QsFileUtils.h"

#include <QFile>
#include <QMimeDatabase>
#include <sys/stat.h>

class TestFileUtils : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString make(const QString& name, const QByteArray& data = "12345") {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        f.write(data);
        return path;
    }
    static mode_t mode(const QString& path) {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_mode & 07777;
    }

private slots:
    void sizes() {
        QCOMPARE(FileSize(make("five.bin")), qint64(5));
        QCOMPARE(FileSize(make("empty.bin", "")), qint64(0));
        QCOMPARE(FileSize(dir.path()), qint64(-1));
        QCOMPARE(FileSize(dir.filePath("missing")), qint64(-1));
        QCOMPARE(FileSize(QString()), qint64(-1));
    }

    void timesAreRoundedToTwoSeconds() {
        const QString path = make("t.bin");
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QDateTime written(QDate(2021, 3, 4), QTime(10, 20, 31, 700));
        QVERIFY(f.setFileTime(written, QFileDevice::FileModificationTime));
        f.close();
        QCOMPARE(FileModifiedTime(path), QDateTime(QDate(2021, 3, 4), QTime(10, 20, 30)));
        QVERIFY(!FileModifiedTime(dir.filePath("missing")).isValid());
        QVERIFY(FileAccessedTime(path).isValid());
    }
    void fatRange_data() {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QDateTime>("rounded");
        QTest::newRow("before 1980") << QDateTime(QDate(1979, 12, 31), QTime(23, 59, 59)) << QDateTime();
        QTest::newRow("first day") << QDateTime(QDate(1980, 1, 1), QTime(0, 0, 1))
                                   << QDateTime(QDate(1980, 1, 1), QTime(0, 0, 0));
        QTest::newRow("last year") << QDateTime(QDate(2107, 12, 31), QTime(23, 59, 59))
                                   << QDateTime(QDate(2107, 12, 31), QTime(23, 59, 58));
        QTest::newRow("after 2107") << QDateTime(QDate(2108, 1, 1), QTime(0, 0, 0)) << QDateTime();
        QTest::newRow("invalid") << QDateTime() << QDateTime();
    }
    void fatRange() {
        QFETCH(QDateTime, time);
        QFETCH(QDateTime, rounded);
        QCOMPARE(FatRoundedTime(time), rounded);
    }

    void attributesFollowTheModeBits() {
        const QString path = make("attr.kvf");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);
        QVERIFY(HasAttributes(path, faArchive));
        QVERIFY(!HasAttributes(path, faReadOnly));
        QVERIFY(!HasAttributes(path, faHidden));
        QVERIFY(!HasAttributes(path, faSysFile));

        // read-only plus archive clears every write bit; archive alone gives the owner's back
        QVERIFY(SetAttributes(path, faReadOnly | faArchive, true));
        QCOMPARE(mode(path), mode_t(0444));
        QVERIFY(HasAttributes(path, faReadOnly | faArchive));
        QVERIFY(SetAttributes(path, faArchive, true));
        QCOMPARE(mode(path), mode_t(0644));
        QVERIFY(!HasAttributes(path, faReadOnly));

        // without replace only bits already set survive: read-only cannot be switched on this way
        QVERIFY(SetAttributes(path, faReadOnly | faArchive, false));
        QVERIFY(!HasAttributes(path, faReadOnly));
    }
    void hiddenAndSystem() {
        QVERIFY(HasAttributes(make(".hidden"), faHidden | faArchive));
        QVERIFY(HasAttributes(dir.path(), faSysFile));
        QVERIFY(!HasAttributes(dir.path(), faArchive));
        QVERIFY(HasAttributes("/dev/null", faSysFile));
    }
    void unreadableAttributes() {
        QCOMPARE(FileAttributes(dir.filePath("missing")), qint64(-1));
        QVERIFY(!HasAttributes(dir.filePath("missing"), 0));
        QVERIFY(!SetAttributes(dir.filePath("missing"), faArchive, true));
        // a path under a file
        QVERIFY(!HasAttributes(make("plain") + "/below", faArchive));
    }

    void typeNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::newRow("no association") << "Home.kvfzz"
                                        << "KVFZZ File";
        QTest::newRow("upper-cased") << "x.qqj"
                                     << "QQJ File";
        QTest::newRow("known type") << "a.txt" << QMimeDatabase().mimeTypeForName("text/plain").comment();
    }
    void typeNames() {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QCOMPARE(FileTypeName(dir.filePath(name)), type);
    }
    void kvfWithoutAssociation() {
        // the type is installed with the program; a test environment without it reads the extension
        if (QMimeDatabase().mimeTypeForName("application/x-keyvane").isValid())
            QSKIP("the passwords file type is installed here");
        QCOMPARE(FileTypeName(dir.filePath("Home.kvf")), QString("KVF File"));
    }
};

KYVN_TEST_CORE_MAIN(TestFileUtils)
#include "tst_fileutils.moc"
