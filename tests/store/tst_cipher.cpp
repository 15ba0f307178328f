#include "KyvnTest.h"

#include "Ideaunit.h"
#include "RefIdea.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstring>

using KyvnTest::readAll;
using KyvnTest::writeAll;

namespace {

QByteArray randomBytes(qsizetype n) {
    QByteArray b(n, '\0');
    for (auto& c : b)
        c = char(QRandomGenerator::global()->bounded(256));
    return b;
}

QList<TIdeaPath> availablePaths() {
    QList<TIdeaPath> paths;
    for (TIdeaPath p : {TIdeaPath::Scalar, TIdeaPath::SSE2, TIdeaPath::AVX2, TIdeaPath::AVX512})
        if (IdeaPathAvailable(p))
            paths << p;
    return paths;
}

} // namespace

class TestCipher : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void knownAnswers_data() {
        QTest::addColumn<QByteArray>("key"); // empty: the sub-keys are left all zero
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("cipher");
        QTest::newRow("first block of every passwords file")
            << QByteArray() << QByteArray("ZKYVN\r\n#") << QByteArray::fromHex("247EA6B3C8C80D32");
        QTest::newRow("zero block") << QByteArray() << QByteArray(8, '\0') << QByteArray::fromHex("0001000100000000");
        QTest::newRow("published vector")
            << QByteArray::fromHex("00010002000300040005000600070008") << QByteArray::fromHex("0000000100020003")
            << QByteArray::fromHex("11FBED2B01986DE5");
    }
    void knownAnswers() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, cipher);
        TIDEA idea;
        if (!key.isEmpty()) {
            idea.SetKey(key);
            idea.PrepareKey();
        }
        // The textbook cipher agrees, so the answers are not just this program's opinion.
        quint16 ref[52] = {};
        if (!key.isEmpty())
            RefIdea::keys(key, ref);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(idea.EncipherKeys), 104),
                 QByteArray(reinterpret_cast<const char*>(ref), 104));
        QCOMPARE(RefIdea::encipherBlock(ref, plain), cipher);

        for (TIdeaPath path : availablePaths()) {
            // A run of 70 copies takes every batch width and the scalar tail.
            QByteArray many = plain.repeated(70);
            IdeaCryptBlocks(idea.EncipherKeys, reinterpret_cast<const quint8*>(many.constData()),
                            reinterpret_cast<quint8*>(many.data()), 70, path);
            QVERIFY2(many == cipher.repeated(70), IdeaPathName(path));
            IdeaCryptBlocks(idea.DecipherKeys, reinterpret_cast<const quint8*>(many.constData()),
                            reinterpret_cast<quint8*>(many.data()), 70, path);
            QVERIFY2(many == plain.repeated(70), IdeaPathName(path));
        }
        QByteArray data = plain;
        idea.EncipherData(data);
        QCOMPARE(data, cipher);
        idea.DecipherData(data);
        QCOMPARE(data, plain);
    }

    void zeroKeysAreTheirOwnInverse() {
        // Under all-zero sub-keys both tables are equal: enciphering twice gives the block back.
        TIDEA idea;
        quint16 inverted[52];
        IdeaInvertKey(idea.EncipherKeys, inverted);
        QVERIFY(std::memcmp(inverted, idea.EncipherKeys, sizeof inverted) == 0);
        QByteArray data = randomBytes(8 * 33);
        const QByteArray original = data;
        idea.EncipherData(data);
        QVERIFY(data != original);
        idea.EncipherData(data);
        QCOMPARE(data, original);
    }

    void everyPathMatchesTheScalarPath_data() {
        QTest::addColumn<int>("blocks");
        for (int n : {1, 7, 8, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 129, 1001})
            QTest::addRow("%d blocks", n) << n;
    }
    void everyPathMatchesTheScalarPath() {
        QFETCH(int, blocks);
        for (int round = 0; round < 4; ++round) {
            TIDEA idea;
            idea.SetKey(round == 0 ? QByteArray(16, '\0') : randomBytes(16));
            idea.PrepareKey();
            const QByteArray input = randomBytes(8 * blocks);
            for (const quint16* keys : {idea.EncipherKeys, idea.DecipherKeys}) {
                QByteArray expected(input.size(), '\0');
                IdeaCryptBlocks(keys, reinterpret_cast<const quint8*>(input.constData()),
                                reinterpret_cast<quint8*>(expected.data()), size_t(blocks), TIdeaPath::Scalar);
                for (TIdeaPath path : availablePaths()) {
                    QByteArray out(input.size(), '\0');
                    IdeaCryptBlocks(keys, reinterpret_cast<const quint8*>(input.constData()),
                                    reinterpret_cast<quint8*>(out.data()), size_t(blocks), path);
                    QVERIFY2(out == expected, IdeaPathName(path));
                    QByteArray inPlace = input;
                    IdeaCryptBlocks(keys, reinterpret_cast<const quint8*>(inPlace.constData()),
                                    reinterpret_cast<quint8*>(inPlace.data()), size_t(blocks), path);
                    QVERIFY2(inPlace == expected, IdeaPathName(path));
                }
            }
            // Special values that take the zero corrections of the multiplication.
            QByteArray edge = QByteArray::fromHex("0000FFFF00010000FFFF0000000180008000FFFEFFFF0002");
            edge = edge.repeated(40).left(8 * blocks);
            QByteArray expected = edge;
            IdeaCryptBlocks(idea.EncipherKeys, reinterpret_cast<const quint8*>(edge.constData()),
                            reinterpret_cast<quint8*>(expected.data()), size_t(edge.size() / 8), TIdeaPath::Scalar);
            for (TIdeaPath path : availablePaths()) {
                QByteArray out = edge;
                IdeaCryptBlocks(idea.EncipherKeys, reinterpret_cast<const quint8*>(out.constData()),
                                reinterpret_cast<quint8*>(out.data()), size_t(out.size() / 8), path);
                QVERIFY2(out == expected, IdeaPathName(path));
            }
        }
    }

    void scalarBlocksMatchTheTextbookCipher() {
        for (int round = 0; round < 200; ++round) {
            const QByteArray key = round < 20 ? QByteArray(16, '\0') : randomBytes(16);
            quint16 ref[52];
            RefIdea::keys(key, ref);
            TIDEA idea;
            idea.SetKey(key);
            idea.PrepareKey();
            // Some blocks hold zero words, which take the 65536 branch of the multiplication.
            QByteArray block = randomBytes(8);
            if (round % 3 == 0)
                block.replace(2 * (round % 4), 2, QByteArray(2, '\0'));
            QByteArray data = block;
            idea.EncipherData(data);
            QCOMPARE(data, RefIdea::encipherBlock(ref, block));
            idea.DecipherData(data);
            QCOMPARE(data, block);
        }
    }

    void modesMatchTheTextbookDefinitions_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("length");
        for (int mode : {int(ECBMode), int(CBCMode), int(CFBMode)})
            for (int length : {0, 1, 8, 13, 1024, 1029, 3001})
                QTest::addRow("mode %d, %d bytes", mode, length) << mode << length;
    }
    void modesMatchTheTextbookDefinitions() {
        QFETCH(int, mode);
        QFETCH(int, length);
        const QByteArray key = randomBytes(16);
        const QByteArray iv = "Ab3$k9!z";
        quint16 ref[52];
        RefIdea::keys(key, ref);
        const QByteArray plain = randomBytes(length);

        // The expected result, block by block.
        QByteArray expected;
        QByteArray chain = iv;
        QByteArray padded = plain;
        if (mode != CFBMode)
            while (padded.size() % 8)
                padded.append('\0');
        for (qsizetype off = 0; off < padded.size(); off += 8) {
            QByteArray block = padded.mid(off, 8);
            if (mode == ECBMode) {
                expected += RefIdea::encipherBlock(ref, block);
            } else if (mode == CBCMode) {
                for (int i = 0; i < 8; ++i)
                    block[i] = char(block[i] ^ chain[i]);
                chain = RefIdea::encipherBlock(ref, block);
                expected += chain;
            } else {
                const QByteArray stream = RefIdea::encipherBlock(ref, chain);
                for (qsizetype i = 0; i < block.size(); ++i)
                    block[i] = char(block[i] ^ stream[i]);
                expected += block;
                chain = block;
            }
        }

        TIDEA idea;
        idea.SetKey(key);
        idea.IVector = iv;
        idea.CipherMode = TCipherMode(mode);
        idea.PrepareKey();
        idea.LoadIVector();
        QByteArray data = plain;
        idea.EncipherData(data);
        QCOMPARE(data.toHex(), expected.toHex());
        idea.LoadIVector();
        idea.DecipherData(data);
        QCOMPARE(data, padded);

        // The file loop, in chunks of 4096 bytes, gives the same bytes.
        const QString in = dir.filePath("modes.in"), out = dir.filePath("modes.out"), back = dir.filePath("modes.back");
        writeAll(in, plain);
        TIDEA fileIdea;
        fileIdea.SetKey(key);
        fileIdea.IVector = iv;
        fileIdea.CipherMode = TCipherMode(mode);
        fileIdea.InputFilePath = in;
        fileIdea.OutputFilePath = out;
        fileIdea.Encipher(false);
        QCOMPARE(readAll(out).toHex(), expected.toHex());
        fileIdea.InputFilePath = out;
        fileIdea.OutputFilePath = back;
        fileIdea.Decipher(false);
        QCOMPARE(readAll(back), padded);

        // Byte-array input takes up to 4096 bytes through the buffer.
        if (length <= TCrypto::BufferSize) {
            QByteArray result(expected.size(), '\0');
            TIDEA arrayIdea;
            arrayIdea.SetKey(key);
            arrayIdea.IVector = iv;
            arrayIdea.CipherMode = TCipherMode(mode);
            arrayIdea.InputType = SourceByteArray;
            arrayIdea.InputLength = quint16(length);
            arrayIdea.SetInputArea(plain.constData());
            arrayIdea.SetOutputArea(result.data());
            arrayIdea.Encipher(false);
            QCOMPARE(result.toHex(), expected.toHex());
            QCOMPARE(int(arrayIdea.InputLength), int(expected.size()));
        }
    }

    void fileLengthsRoundUpToBlocks_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("enciphered");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("one byte") << 1 << 8;
        QTest::newRow("one block") << 8 << 8;
        QTest::newRow("one chunk") << 4096 << 4096;
        QTest::newRow("chunk and a byte") << 4097 << 4104;
        QTest::newRow("two chunks") << 8192 << 8192;
    }
    void fileLengthsRoundUpToBlocks() {
        QFETCH(int, length);
        QFETCH(int, enciphered);
        const QString plainPath = dir.filePath("plain"), encPath = dir.filePath("enc"), decPath = dir.filePath("dec");
        const QByteArray plain = randomBytes(length);
        writeAll(plainPath, plain);
        TIDEA idea;
        idea.InputFilePath = plainPath;
        idea.OutputFilePath = encPath;
        idea.Encipher(true);
        QCOMPARE(readAll(encPath).size(), enciphered);
        TIDEA back;
        back.InputFilePath = encPath;
        back.OutputFilePath = decPath;
        back.Decipher(true);
        QCOMPARE(readAll(decPath), plain + QByteArray(enciphered - length, '\0'));
        QCOMPARE(QFile(encPath).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    }

    void oddLengthCipherTextDeciphers() {
        const QString in = dir.filePath("odd.enc"), out = dir.filePath("odd.dec");
        writeAll(in, randomBytes(21));
        TIDEA idea;
        idea.InputFilePath = in;
        idea.OutputFilePath = out;
        idea.Decipher(true);
        QCOMPARE(readAll(out).size(), 24);
    }

    void stringInput() {
        TIDEA idea;
        QByteArray out(8, 'x');
        idea.InputType = SourceString;
        idea.InputString = "ZKYVN\r\n#";
        idea.SetOutputArea(out.data());
        idea.Decipher(true); // deciphering a string does nothing
        QCOMPARE(out, QByteArray(8, 'x'));
        idea.Encipher(true);
        QCOMPARE(out, QByteArray::fromHex("247EA6B3C8C80D32"));
        QCOMPARE(int(idea.InputLength), 8);
    }

    void fileErrorsCarryTheirMessages_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("message");
        const QString ok = dir.filePath("ok.in");
        writeAll(ok, "some plain text");
        QTest::newRow("missing input") << dir.filePath("none.in") << dir.filePath("x.out") << "File not found";
        QTest::newRow("missing output folder") << ok << dir.filePath("nofolder/x.out") << "File not found";
        QTest::newRow("path under a file") << ok << ok + "/x.out"
                                           << "Invalid filename";
        QTest::newRow("directory as output") << ok << dir.path() << "Invalid filename";
        QTest::newRow("directory as input") << dir.path() << dir.filePath("y.out") << "Invalid filename";
        QTest::newRow("full device") << ok << "/dev/full"
                                     << "I/O error 28: No space left on device";
    }
    void fileErrorsCarryTheirMessages() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(QString, message);
        if (output == "/dev/full" && !QFile::exists(output))
            QSKIP("no /dev/full here");
        TIDEA idea;
        idea.InputFilePath = input;
        idea.OutputFilePath = output;
        try {
            idea.Encipher(true);
            QFAIL("no error raised");
        } catch (const EInOutError& e) {
            QCOMPARE(QString::fromUtf8(e.what()), message);
        }
    }

    void errnoMapping_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("ENOENT") << ENOENT << "File not found";
        for (int c : {ENOTDIR, ENAMETOOLONG, EINVAL, EISDIR})
            QTest::addRow("invalid %d", c) << c << "Invalid filename";
        for (int c : {EMFILE, ENFILE})
            QTest::addRow("too many %d", c) << c << "Too many open files";
        for (int c : {EACCES, EPERM, EROFS})
            QTest::addRow("denied %d", c) << c << "File access denied";
        QTest::newRow("EIO") << EIO << "I/O error 5: Input/output error";
    }
    void errnoMapping() {
        QFETCH(int, code);
        QFETCH(QString, message);
        QCOMPARE(InOutErrorMessage(code), message);
    }
};

KYVN_TEST_CORE_MAIN(TestCipher)
#include "tst_cipher.moc"
