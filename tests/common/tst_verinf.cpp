#include "KyvnTest.h"
#include "QsVerInf.h"

namespace {
QString writeFile(QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

TQsVersionInfo sampleInfo(quint16 language) {
    TQsVersionInfo info;
    info.Major = 2;
    info.Minor = 7;
    info.Release = 1;
    info.Build = 512;
    info.Translations = {{language, 0x04E4}};
    const QString prefix =
        "\\StringFileInfo\\" + QString::number(language, 16).rightJustified(4, '0').toUpper() + "04E4\\";
    info.Strings = {{prefix + "LegalCopyright", "Direitos reservados \u00E0 Tessivo"}};
    return info;
}
} // namespace

class TestVerInf : public QObject {
    Q_OBJECT
private slots:
    // This test program links the unit, so its own file carries the block the build embeds.
    void ownProgramCarriesTheBlock() {
        const QString self = QCoreApplication::applicationFilePath();
        QCOMPARE(FileVersionText(self), QString("2.0.0 Build 40"));
        QCOMPARE(FileLegalNotice(self), QString("Copyright \u00A9 2026 Tessivo. All rights reserved."));
        QVERIFY(FileIsEnglish(self));
        const auto info = QsReadVersionInfo(self);
        QVERIFY(info);
        QCOMPARE(info->Translations.size(), 1);
        QCOMPARE(info->Translations.first().first, quint16(0x0409));
        QCOMPARE(info->Translations.first().second, quint16(0x04E4));
        QCOMPARE(QsVersionString(*info, "ProductName").value_or(""), QString("Tessivo Keyvane"));
        QCOMPARE(QsVersionString(*info, "FileVersion").value_or(""), QString("2.0.0.40"));
    }

    void theProgramItselfCarriesTheBlock() {
        const QString keyvane = QStringLiteral(KEYVANE_BINARY_DIR "/src/app/keyvane");
        if (!QFile::exists(keyvane))
            QSKIP("keyvane is not built");
        QCOMPARE(FileVersionText(keyvane), QString("2.0.0 Build 40"));
        QVERIFY(FileIsEnglish(keyvane));
    }

    void fileWithoutBlock_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text") << QByteArray("just some text\n");
        QTest::newRow("empty") << QByteArray();
        // The marker with a damaged structure behind it is not version information.
        QByteArray cut = QsMakeVersionBlock(sampleInfo(0x0409));
        cut.chop(3);
        QTest::newRow("cut short") << cut;
        QByteArray bad = QsMakeVersionBlock(sampleInfo(0x0409));
        bad[12] = char(0xFF); // total size beyond the file
        QTest::newRow("size too large") << bad;
        QByteArray shortTotal = QsMakeVersionBlock(sampleInfo(0x0409));
        shortTotal[12] = char(shortTotal[12] - 1); // the parts no longer add up
        QTest::newRow("sizes disagree") << shortTotal + QByteArray(16, '\0');
    }
    void fileWithoutBlock() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = writeFile(dir, "plain", content);
        QVERIFY(!path.isEmpty());
        QCOMPARE(FileVersionText(path), QString("0.0.0"));
        QCOMPARE(FileLegalNotice(path), QsFixedLegalNotice());
        QVERIFY(!QsFixedLegalNotice().isEmpty());
        QVERIFY(FileIsEnglish(path));
    }

    void specialPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << "/nonexistent/keyvane";
        QTest::newRow("directory") << "/tmp";
        QTest::newRow("device") << "/dev/zero";
        QTest::newRow("system program") << "/bin/sh";
    }
    void specialPaths() {
        QFETCH(QString, path);
        QCOMPARE(FileVersionText(path), QString("0.0.0"));
        QCOMPARE(FileLegalNotice(path), QsFixedLegalNotice());
        QVERIFY(FileIsEnglish(path));
    }

    void handMadeBlocks_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("english");
        QTest::newRow("Portuguese (Portugal)") << 2070 << false;
        QTest::newRow("Portuguese (Brazil)") << 1046 << false;
        QTest::newRow("English (US)") << 0x0409 << true;
        QTest::newRow("German") << 0x0407 << true;
    }
    void handMadeBlocks() {
        QFETCH(int, language);
        QFETCH(bool, english);
        QTemporaryDir dir;
        // A false start of the marker before the block, and bytes after it, as in a real program file.
        const QByteArray block = QsMakeVersionBlock(sampleInfo(quint16(language)));
        const QByteArray bytes =
            QByteArray(1000, 'x') + block.left(14) + QByteArray(50, '\0') + block + QByteArray(300, '\x7f');
        const QString path = writeFile(dir, "program", bytes);
        QCOMPARE(FileVersionText(path), QString("2.7.1 Build 512"));
        QCOMPARE(FileIsEnglish(path), english);
        QCOMPARE(FileLegalNotice(path), QString("Direitos reservados \u00E0 Tessivo"));
    }

    void blockWithoutStringOrTranslation() {
        QTemporaryDir dir;
        TQsVersionInfo info = sampleInfo(0x0409);
        info.Strings.clear();
        QString path = writeFile(dir, "nostring", QsMakeVersionBlock(info));
        QCOMPARE(FileLegalNotice(path), QString("")); // block present, string missing: empty
        QCOMPARE(FileVersionText(path), QString("2.7.1 Build 512"));

        info = sampleInfo(2070);
        info.Translations.clear();
        path = writeFile(dir, "notranslation", QsMakeVersionBlock(info));
        QVERIFY(FileIsEnglish(path));
        QCOMPARE(FileLegalNotice(path), QString(""));
    }

    void roundTrip() {
        const TQsVersionInfo info = sampleInfo(2070);
        const auto parsed = QsParseVersionBlock(QsMakeVersionBlock(info));
        QVERIFY(parsed);
        QCOMPARE(parsed->Build, quint16(512));
        QCOMPARE(parsed->Translations, info.Translations);
        QCOMPARE(parsed->Strings, info.Strings);
    }
};

KYVN_TEST_CORE_MAIN(TestVerInf)
#include "tst_verinf.moc"
