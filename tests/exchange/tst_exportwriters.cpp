// The export files, read back by independent readers: Python's csv module for the text file and
// python-docx for the document. Also where they land: owner-only, complete or not at all.
#include "Cryptcon.h"
#include "CsvWriter.h"
#include "DocxWriter.h"
#include "ExportFile.h"
#include "KyvnTest.h"
#include "clsFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The Debian interpreter, which carries python3-docx (the one on PATH may not).
const QString kPython = QStringLiteral("/usr/bin/python3");

// Runs a Python script on one file; its standard output is JSON.
QJsonDocument pythonRead(const QString& script, const QString& path) {
    QProcess p;
    p.start(kPython, {QStringLiteral("-c"), script, path});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning() << p.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput());
}

const char* kCsvReader = R"(
import csv, json, sys
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    print(json.dumps(list(csv.reader(f, strict=True))))
)";

const char* kDocxReader = R"(
import docx, json, sys
d = docx.Document(sys.argv[1])
s = d.sections[0]
out = {
  'landscape': s.orientation == docx.enum.section.WD_ORIENT.LANDSCAPE and s.page_width > s.page_height,
  'paragraphs': [p.text for p in d.paragraphs],
  'titleBold': all(r.bold for r in d.paragraphs[0].runs) and len(d.paragraphs[0].runs) > 0,
  'normalFont': d.styles['Normal'].font.name,
  'normalSize': d.styles['Normal'].font.size.pt if d.styles['Normal'].font.size else None,
  'tables': len(d.tables),
  'rows': [], 'bold': [], 'fonts': []
}
for row in d.tables[0].rows:
    out['rows'].append([c.text for c in row.cells])
    out['bold'].append([all(r.bold for p in c.paragraphs for r in p.runs) and any(p.runs for p in c.paragraphs)
                        for c in row.cells])
    out['fonts'].append(sorted({str(r.font.name) + '/' + str(r.font.size) for c in row.cells
                                for p in c.paragraphs for r in p.runs}))
print(json.dumps(out))
)";

QStringList allCaptions() {
    QStringList c;
    for (int f = 0; f < KyvnFieldCount; ++f)
        c << KyvnFieldCaption(f);
    return c;
}

QStringList strings(const QJsonValue& v) {
    QStringList out;
    for (const QJsonValue& x : v.toArray())
        out << x.toString();
    return out;
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// A small tmpfs that can be filled, for a real "no space" fault. Needs root; the tests skip otherwise.
class TSmallDisk {
public:
    explicit TSmallDisk(const QString& path) : path_(path) {
        QDir().mkpath(path);
        mounted_ =
            ::geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~TSmallDisk() {
        if (mounted_)
            ::umount(QFile::encodeName(path_).constData());
    }
    bool mounted() const { return mounted_; }

private:
    QString path_;
    bool mounted_ = false;
};

} // namespace

class TestExportWriters : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    // Accounts whose values try the quoting: quotes, commas, line breaks, accents, leading blanks.
    static void fill(TKYVNFile& f) {
        f.FileName = QStringLiteral("/home/ana/Cofre \"pessoal\"/Contas.kvf");
        auto add = [&](const QString& name, const QString& login, const QString& password, const QString& notes,
                       bool prot, QDate created) {
            auto* a = new TKYVNAccount;
            a->AccountName = name;
            a->Login = login;
            a->Password = password;
            a->Email = name.toLower() + QStringLiteral("@example.org");
            a->Web = QStringLiteral("https://example.org/?a=1,b=2&c=<3>");
            a->Notes = notes;
            a->Protected = prot;
            a->Created = created;
            a->Modified = created.addDays(3);
            f.AddAccount(a);
        };
        add(QStringLiteral("Zeta Bank"), QStringLiteral("jsmith"), QStringLiteral("p\"w,1"),
            QStringLiteral("line one\r\nline \"two\", with comma\r\n"), true, QDate(2004, 3, 2));
        add(QStringLiteral("Açaí Café"), QStringLiteral(" lead"), QStringLiteral("ção€"), QString(), false,
            QDate(2003, 7, 4));
        add(QStringLiteral("\"Quoted\""), QString(), QStringLiteral("\"\""), QStringLiteral("tab\there"), false,
            QDate(2010, 12, 31));
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        if (!QFileInfo::exists(kPython))
            QSKIP("no /usr/bin/python3");
    }

    void quotingOfSingleValues_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << "Bank"
                               << "\"Bank\"";
        QTest::newRow("empty") << ""
                               << "\"\"";
        QTest::newRow("quote inside") << "say \"hi\""
                                      << "\"say \"\"hi\"\"\"";
        QTest::newRow("only quotes") << "\"\""
                                     << "\"\"\"\"\"\"";
        QTest::newRow("comma and break stay") << "a,b\r\nc"
                                              << "\"a,b\r\nc\"";
    }
    void quotingOfSingleValues() {
        QFETCH(QString, value);
        QFETCH(QString, quoted);
        QCOMPARE(CsvQuoted(value), quoted);
    }

    void csvHasTheExactBytesOfTheDesign() {
        // Values without a double quote come out exactly as designed: header, one record, CR LF.
        TKYVNFile f;
        auto* a = new TKYVNAccount;
        a->AccountName = QStringLiteral("Bank");
        a->Login = QStringLiteral("jsmith");
        f.AddAccount(a);
        QCOMPARE(CsvExport(f, {QStringLiteral("Account Name"), QStringLiteral("Login")}),
                 QByteArray("\"Account Name\",\"Login\"\r\n\"Bank\",\"jsmith\"\r\n"));
        // no byte-order mark, UTF-8 for the accented letters
        a->AccountName = QStringLiteral("Café");
        QCOMPARE(CsvExport(f, {QStringLiteral("Account Name")}), QByteArray("\"Account Name\"\r\n\"Caf\xc3\xa9\"\r\n"));
    }

    void csvReadsBackExactlyInPython() {
        TKYVNFile f;
        fill(f);
        const QString path = dir.filePath("all.csv");
        WriteExportFile(path, CsvExport(f, allCaptions()));
        const QJsonArray rows = pythonRead(QLatin1String(kCsvReader), path).array();
        QCOMPARE(rows.size(), 1 + f.AccountCount());
        QCOMPARE(strings(rows[0]), allCaptions());
        for (int i = 0; i < f.AccountCount(); ++i) {
            QStringList expected;
            for (const QString& c : allCaptions())
                expected << GetAccountField(*f.GetAccount(i), c);
            QCOMPARE(strings(rows[i + 1]), expected);
        }
        QCOMPARE(strings(rows[1]).value(5), QStringLiteral("line one\r\nline \"two\", with comma\r\n"));
        QCOMPARE(strings(rows[1]).value(6), QStringLiteral("True"));
        QCOMPARE(strings(rows[1]).value(7), QLocale::system().toString(QDate(2004, 3, 2), QLocale::ShortFormat));
    }

    void emptyFileGivesTheHeaderAlone() {
        TKYVNFile f;
        f.FileName = QStringLiteral("/tmp/empty.kvf");
        QCOMPARE(CsvExport(f, {QStringLiteral("Login"), QStringLiteral("Notes")}),
                 QByteArray("\"Login\",\"Notes\"\r\n"));
        const QString path = dir.filePath("empty.docx");
        WriteExportFile(path, DocxExport(f, {QStringLiteral("Login"), QStringLiteral("Notes")}));
        const QJsonObject d = pythonRead(QLatin1String(kDocxReader), path).object();
        QCOMPARE(d.value("tables").toInt(), 1);
        QCOMPARE(d.value("rows").toArray().size(), 1);
        QCOMPARE(strings(d.value("rows").toArray()[0]), QStringList({"Login", "Notes"}));
    }

    void docxReadsBackInPythonDocx() {
        TKYVNFile f;
        fill(f);
        const QString path = dir.filePath("all.docx");
        const QStringList captions = {QStringLiteral("Account Name"), QStringLiteral("Login"), QStringLiteral("Email"),
                                      QStringLiteral("Password"),     QStringLiteral("Web"),   QStringLiteral("Notes"),
                                      QStringLiteral("Created")};
        WriteExportFile(path, DocxExport(f, captions));
        if (const QString shots = qEnvironmentVariable("KEYVANE_SHOTS"); !shots.isEmpty()) {
            QDir().mkpath(shots);
            QFile::remove(shots + "/export.docx");
            QFile::copy(path, shots + "/export.docx"); // to look at in a word processor
        }
        const QJsonObject d = pythonRead(QLatin1String(kDocxReader), path).object();
        QVERIFY2(!d.isEmpty(), "python-docx could not read the document");
        QVERIFY(d.value("landscape").toBool());
        const QStringList paragraphs = strings(d.value("paragraphs"));
        QCOMPARE(paragraphs.value(0), QStringLiteral("Tessivo Keyvane - Export of '%1'").arg(f.FileName));
        QVERIFY(d.value("titleBold").toBool());
        QCOMPARE(d.value("normalFont").toString(), QStringLiteral("Tahoma"));
        QCOMPARE(d.value("normalSize").toDouble(), 8.0);
        QCOMPARE(d.value("tables").toInt(), 1);

        const QJsonArray rows = d.value("rows").toArray();
        const QJsonArray bold = d.value("bold").toArray();
        const QJsonArray fonts = d.value("fonts").toArray();
        QCOMPARE(rows.size(), 1 + f.AccountCount());
        QCOMPARE(strings(rows[0]), captions);
        for (const QJsonValue& b : bold[0].toArray())
            QVERIFY(b.toBool()); // the header row is bold
        for (int i = 0; i < f.AccountCount(); ++i) {
            QStringList expected;
            for (const QString& c : captions) {
                QString v = GetAccountField(*f.GetAccount(i), c);
                v.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); // a break within the cell
                expected << v;
            }
            QCOMPARE(strings(rows[i + 1]), expected);
            for (const QJsonValue& b : bold[i + 1].toArray())
                QVERIFY(!b.toBool()); // plain rows
            // no run overrides the document's 8-point Tahoma
            for (const QJsonValue& font : fonts[i + 1].toArray())
                QCOMPARE(font.toString(), QStringLiteral("None/None"));
        }
    }

    void documentOfTwoFieldsHasTwoColumnsInFileOrder() {
        TKYVNFile f;
        fill(f);
        const QString path = dir.filePath("two.docx");
        WriteExportFile(path, DocxExport(f, {QStringLiteral("Account Name"), QStringLiteral("Email")}));
        const QJsonArray rows = pythonRead(QLatin1String(kDocxReader), path).object().value("rows").toArray();
        QCOMPARE(rows.size(), 4);
        // file order, not the sorted order of the main window's list
        const QStringList names = {strings(rows[1]).value(0), strings(rows[2]).value(0), strings(rows[3]).value(0)};
        QCOMPARE(names, QStringList({"Zeta Bank", "Açaí Café", "\"Quoted\""}));
        QCOMPARE(strings(rows[1]), QStringList({"Zeta Bank", "zeta bank@example.org"}));
    }

    void controlCharactersDoNotBreakTheDocument() {
        // A value from a file made elsewhere may hold characters XML cannot carry.
        TKYVNFile f;
        auto* a = new TKYVNAccount;
        a->AccountName = QStringLiteral("odd") + QChar(0x01) + QStringLiteral("name");
        a->Notes = QString(QChar(0xD800)) + QStringLiteral("x"); // a lone surrogate
        f.AddAccount(a);
        const QString path = dir.filePath("odd.docx");
        WriteExportFile(path, DocxExport(f, {QStringLiteral("Account Name"), QStringLiteral("Notes")}));
        const QJsonArray rows = pythonRead(QLatin1String(kDocxReader), path).object().value("rows").toArray();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(strings(rows[1]), QStringList({QStringLiteral("odd\uFFFDname"), QStringLiteral("\uFFFDx")}));
    }

    void exportFilesAreOwnerOnlyAndReplaceWhole() {
        const QString path = dir.filePath("mode.csv");
        const mode_t old = ::umask(0);
        WriteExportFile(path, "new\r\n");
        ::umask(old);
        QCOMPARE(modeOf(path), mode_t(0600));
        // an earlier, readable file of that name is replaced by an owner-only one
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::ReadGroup);
        WriteExportFile(path, "second\r\n");
        QCOMPARE(KyvnTest::readAll(path), QByteArray("second\r\n"));
        QCOMPARE(modeOf(path), mode_t(0600));
        // a link keeps pointing at the replaced file
        const QString link = dir.filePath("link.csv");
        QVERIFY(QFile::link(path, link));
        WriteExportFile(link, "third\r\n");
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(KyvnTest::readAll(path), QByteArray("third\r\n"));
        // nothing is left beside it
        QCOMPARE(QDir(dir.path()).entryList({".keyvane-export-*"}, QDir::Files | QDir::Hidden), QStringList());
    }

    void destinationsThatCannotTakeAnExport_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("usable");
        QTest::newRow("new name") << "fresh.csv" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("folder itself") << "." << false;
        QTest::newRow("trailing slash") << "sub/" << false;
        QTest::newRow("missing folder") << "nowhere/x.csv" << false;
        QTest::newRow("under a file") << "plain.txt/x.csv" << false;
        QTest::newRow("name too long") << QString(300, u'n') << false;
        QTest::newRow("device") << "/dev/null" << false;
    }
    void destinationsThatCannotTakeAnExport() {
        QFETCH(QString, path);
        QFETCH(bool, usable);
        QDir(dir.path()).mkpath("sub");
        KyvnTest::writeAll(dir.filePath("plain.txt"), "x");
        const QString full = path.isEmpty() || path.startsWith('/') ? path : dir.filePath(path);
        QCOMPARE(ExportTargetUsable(full), usable);
        // the probe leaves nothing behind
        if (usable)
            QVERIFY(!QFileInfo::exists(full));
    }

    void probeNeverHarmsAnExistingFile() {
        const QString path = dir.filePath("keep.csv");
        KyvnTest::writeAll(path, "precious");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        const QDateTime before = QFileInfo(path).lastModified();
        QVERIFY(ExportTargetUsable(path));
        QCOMPARE(KyvnTest::readAll(path), QByteArray("precious"));
        QCOMPARE(QFileInfo(path).lastModified(), before);
        QCOMPARE(modeOf(path), mode_t(0640));
        // a read-only file is not for replacing
        QFile::setPermissions(path, QFile::ReadOwner);
        QVERIFY(!ExportTargetUsable(path));
        QCOMPARE(KyvnTest::readAll(path), QByteArray("precious"));
    }

    void aDeviceIsNeverReplaced() {
        // Renaming over /dev/null would replace the device for everyone.
        QVERIFY_THROWS_EXCEPTION(EInOutError, WriteExportFile(QStringLiteral("/dev/null"), "x"));
        QVERIFY(QFileInfo(QStringLiteral("/dev/null")).exists());
        QVERIFY(!QFileInfo(QStringLiteral("/dev/null")).isFile());
        QVERIFY_THROWS_EXCEPTION(EInOutError, WriteExportFile(dir.path(), "x"));
    }

    void fullDiskLeavesTheEarlierFileIntact() {
        TSmallDisk disk(dir.filePath("small"));
        if (!disk.mounted())
            QSKIP("needs root to mount a small tmpfs");
        const QString path = dir.filePath("small/out.csv");
        KyvnTest::writeAll(path, "earlier export");
        try {
            WriteExportFile(path, QByteArray(256 * 1024, 'x'));
            QFAIL("a write to a full disk succeeded");
        } catch (const EInOutError& e) {
            QCOMPARE(QString::fromStdString(e.what()), QStringLiteral("I/O error 28: No space left on device"));
        }
        QCOMPARE(KyvnTest::readAll(path), QByteArray("earlier export"));
        QCOMPARE(QDir(dir.filePath("small")).entryList(QDir::Files | QDir::Hidden), QStringList({"out.csv"}));
    }
};

KYVN_TEST_MAIN(TestExportWriters)
#include "tst_exportwriters.moc"
