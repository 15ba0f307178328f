// The protected form read and written by an independent implementation (Python on PyNaCl): what the
// tool writes opens there and holds exactly the designed text; what it writes opens here.
#include "KyvnTest.h"

#include "clsFile.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>

using KyvnTest::readAll;
using KyvnTest::writeAll;

namespace {

// The Debian interpreter, which carries python3-nacl (the one on PATH may not).
const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kReader = QStringLiteral(KEYVANE_SOURCE_DIR "/tests/cli/protected_file.py");

struct TRun {
    int status;
    QByteArray out;
    QString err;
};

TRun run(const QString& program, const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess p;
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

TRun cli(const QStringList& args, const QByteArray& input) {
    return run(QStringLiteral(KEYVANE_CLI), args, input);
}

TRun python(const QStringList& args) {
    return run(kPython, QStringList{kReader} + args);
}

const QByteArray kPlain =
    "ZKYVN\r\n#Abc12345\r\n#Bank\r\n#me\r\n#it's #1\r\n#me@bank.example\r\n#https://bank.example\r\n"
    "#first line'#second line\r\n#True\r\n#04032021\r\n#29022024\r\n";

} // namespace

class TestProtectedFormat : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() {
        if (run(kPython, {"-c", "import nacl.bindings"}).status != 0)
            QSKIP("python3-nacl is not installed for /usr/bin/python3");
    }

    // A file written by keyvane-cli at the shipped cost, read in Python: the designed text, line for line.
    void theToolsFileOpensElsewhereAsTheDesignedText() {
        const QString path = dir.filePath("made-by-cli.kvf");
        const QByteArray pw = "pass'word #2\n";
        QCOMPARE(cli({"new", path}, pw + pw).status, 0);
        QCOMPARE(cli({"add", path, "Bank", "--login", "me", "--password", "s3cret"}, pw).status, 0);
        const TRun read = python({"read", path, "pass'word #2"});
        QCOMPARE(read.status, 0);
        const QString today = QDate::currentDate().toString("ddMMyyyy");
        QCOMPARE(read.out,
                 QString("ZKYVN\r\n#pass'word #2\r\n#Bank\r\n#me\r\n#s3cret\r\n#\r\n#\r\n#\r\n#False\r\n#%1\r\n#%1\r\n")
                     .arg(today)
                     .toUtf8());
        QCOMPARE(python({"read", path, "pass'word #3"}).status, 1);
    }

    // A file written in Python opens in keyvane-cli and in the store, field by field.
    void aFileWrittenElsewhereOpensHere() {
        const QString plain = dir.filePath("plain.txt");
        const QString path = dir.filePath("made-in-python.kvf");
        writeAll(plain, kPlain);
        QCOMPARE(python({"write", path, "Abc12345", plain}).status, 0);
        const TRun shown = cli({"show", path, "bank", "--field", "Notes"}, "Abc12345\n");
        QCOMPARE(shown.status, 0);
        QCOMPARE(shown.out, QByteArray("first line\nsecond line\n"));
        QCOMPARE(cli({"info", path}, "Abc12345\n").out,
                 QByteArray("Form: protected (Argon2id, 8 MiB, 1 pass; XChaCha20-Poly1305)\nAccounts: 1\n"));
        TKYVNFile f;
        f.FileName = path;
        QVERIFY(f.LoadWithPassword("Abc12345"));
        QCOMPARE(f.GetAccount(0)->Password, QString("it's #1"));
        QCOMPARE(f.PlainText(), kPlain);
    }

    // Fixed salt and nonce: the bytes are known in advance, and the program opens them.
    void knownAnswer() {
        const QString plain = dir.filePath("kat-plain.txt");
        const QString path = dir.filePath("kat.kvf");
        writeAll(plain, kPlain);
        QCOMPARE(python({"write", path, "Abc12345", plain, "--salt", "000102030405060708090a0b0c0d0e0f", "--nonce",
                         "101112131415161718191a1b1c1d1e1f2021222324252627"})
                     .status,
                 0);
        const QByteArray bytes = readAll(path);
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
                 QByteArray("c7b826021689e17756de775383704f2060fa07ab1c0d83c7e3322a868b4c8f3c"));
        QCOMPARE(readAll(KyvnTest::fixture("known-answer.kvf")), bytes);
        TKYVNFile f;
        f.FileName = KyvnTest::fixture("known-answer.kvf");
        QVERIFY(f.LoadWithPassword("Abc12345"));
        QCOMPARE(f.PlainText(), kPlain);
        QCOMPARE(f.GetAccount(0)->Created, QDate(2021, 3, 4));
        QVERIFY(!f.LoadWithPassword("abc12345"));
    }
};

KYVN_TEST_CORE_MAIN(TestProtectedFormat)
#include "tst_protectedformat.moc"
