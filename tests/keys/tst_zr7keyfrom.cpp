#include "TestFiles.h"
#include "keys/KeyRecord.h"
#include "keys/Windows1252.h"
#include "keys/ZR7KeyFrom.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace ZR7KeyFrom;

// Normalisation, checksum, keyfiles, the extension to 64 characters and the key line.
class tst_zr7keyfrom : public QObject
{
    Q_OBJECT

private slots:
    void normalizedKey_data();
    void normalizedKey();
    void checksum_data();
    void checksum();
    void readKeyfile_data();
    void readKeyfile();
    void onlyRegularFilesHoldKeys_data();
    void onlyRegularFilesHoldKeys();
    void writeKeyfile();
    void newRandomKeysAreUniformAndRandom();
    void extendedKey_data();
    void extendedKey();
    void keyLine_data();
    void keyLine();
    void windows1252();
};

void tst_zr7keyfrom::normalizedKey_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("normalized");
    QTest::addColumn<bool>("longEnough");
    QTest::newRow("four groups of four")
        << "abcd efgh ijkl mnop" << QByteArray("ABCDEFGHIJKLMNOP") << true;
    QTest::newRow("one letter fewer")
        << "abcd efgh ijkl mno" << QByteArray("ABCDEFGHIJKLMNO") << false;
    QTest::newRow("tabs and line breaks") << "ab\tcd\r\nef" << QByteArray("ABCDEF") << false;
    QTest::newRow("digits and punctuation kept") << "a1-b2_c3!" << QByteArray("A1-B2_C3!") << false;
    QTest::newRow("accented letters upper-cased")
        << QString::fromUtf8("\xc3\xa9t\xc3\xa9 \xc3\xbf\xc5\xa1")
        << QByteArray("\xc9T\xc9\x9f\x8a") << false;
    QTest::newRow("euro and sharp s unchanged")
        << QString::fromUtf8("\xe2\x82\xac\xc3\x9f") << QByteArray("\x80\xdf") << false;
}

void tst_zr7keyfrom::normalizedKey()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, normalized);
    QFETCH(bool, longEnough);
    QCOMPARE(NormalizedKey(typed), normalized);
    QCOMPARE(KeyHasMinLength(Windows1252::FromUnicode(typed)), longEnough);
}

void tst_zr7keyfrom::checksum_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second"); // another typing of the same key, or ""
    QTest::addColumn<int>("checksum");   // 0: only the range is known
    QTest::newRow("ABC") << "abc"
                         << "A B C" << 7498;
    QTest::newRow("case and spaces") << "correct horse battery"
                                     << "CorrectHorse Battery" << 0;
    QTest::newRow("unassigned code") << QString::fromUtf8("abcdefghijklmnop\xc2\x81q")
                                     << QString::fromUtf8("ABCDEFGHIJKLMNOP\xc2\x81 Q") << 6990;
    QTest::newRow("random 64 bytes") << QString() << QString() << 0;
}

void tst_zr7keyfrom::checksum()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, checksum);
    QByteArray digest;
    const SecretBytes key =
        first.isEmpty() ? NormalizedKey(NewRandomKeyBytes().view()) : NormalizedKey(first);
    const int value = KeyChecksum(key.view(), digest);
    QVERIFY(value >= 1001 && value <= 9999);
    QCOMPARE(digest.size(), 16);
    if (checksum != 0)
        QCOMPARE(value, checksum);
    if (!second.isEmpty())
        QCOMPARE(KeyChecksum(NormalizedKey(second).view(), digest), value);
    if (key.size() < 64)
        QVERIFY(KeyChecksum(ExtendedKey(key.view()).view(), digest) != value || key.size() == 0);
    QCOMPARE(ChecksumText(7498), QStringLiteral("Checksum is 7498."));
}

void tst_zr7keyfrom::readKeyfile_data()
{
    QTest::addColumn<QByteArray>("contents"); // "-" for a file that does not exist
    QTest::addColumn<int>("status");          // KeyfileStatus
    QTest::addColumn<QByteArray>("key");      // the normalised key when status is Ok
    const QByteArray letters16("ABCDEFGHIJKLMNOP");
    QTest::newRow("empty file") << QByteArray() << int(KeyfileStatus::Unsuitable) << QByteArray();
    QTest::newRow("15 characters in a long file")
        << QByteArray("abc def ghi jkl mno").append(QByteArray(500, ' ')).append(letters16)
        << int(KeyfileStatus::Unsuitable) << QByteArray();
    QTest::newRow("16 characters") << letters16 << int(KeyfileStatus::Ok) << letters16;
    QTest::newRow("NUL at position 9 becomes w")
        << QByteArray("ABCDEFGH\0IJKLMNOP", 17) << int(KeyfileStatus::Ok)
        << QByteArray("ABCDEFGHWIJKLMNOP");
    QTest::newRow("two letters and a NUL")
        << QByteArray("A\0B", 3) << int(KeyfileStatus::Unsuitable) << QByteArray();
    QTest::newRow("spaces and line breaks dropped")
        << QByteArray("abcd efgh\nijkl\r\nmnop qrst") << int(KeyfileStatus::Ok)
        << QByteArray("ABCDEFGHIJKLMNOPQRST");
    QTest::newRow("only the first 64 bytes")
        << QByteArray(64, 'k').append("XYZ") << int(KeyfileStatus::Ok) << QByteArray(64, 'K');
    QTest::newRow("missing file") << QByteArray("-") << int(KeyfileStatus::Error) << QByteArray();
}

void tst_zr7keyfrom::readKeyfile()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, status);
    QFETCH(QByteArray, key);
    QTemporaryDir dir;
    const QString path = dir.filePath("key.bin");
    if (contents != "-")
        QVERIFY(TestFiles::write(path, contents));
    SecretBytes bytes;
    QString error;
    QCOMPARE(int(ReadKeyfile(path, bytes, error)), status);
    QCOMPARE(bytes.size(), 64);
    if (status == int(KeyfileStatus::Ok))
        QCOMPARE(NormalizedKey(bytes.view()).view(), key);
    QCOMPARE(error.isEmpty(), status != int(KeyfileStatus::Error));
}

void tst_zr7keyfrom::onlyRegularFilesHoldKeys_data()
{
    QTest::addColumn<QString>("kind"); // how the path is made, or a path of the system
    QTest::addColumn<bool>("regular");
    QTest::newRow("regular file") << "file" << true;
    QTest::newRow("link to a regular file") << "link" << true;
    QTest::newRow("FIFO without a writer") << "fifo" << false;
    QTest::newRow("pipe under /dev/fd") << "pipe" << false;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("/dev/null") << "/dev/null" << false;
    QTest::newRow("/dev/urandom") << "/dev/urandom" << false;
    QTest::newRow("process state, other on every read") << "/proc/self/stat" << false;
    QTest::newRow("system file of its stated size") << "/sys/kernel/notes" << false;
}

// Reading and writing a key must give back the same key later, and never wait on a FIFO.
void tst_zr7keyfrom::onlyRegularFilesHoldKeys()
{
    QFETCH(QString, kind);
    QFETCH(bool, regular);
    if (kind.startsWith('/') && !QFileInfo::exists(kind))
        QSKIP("the system has no such file");
    QTemporaryDir dir;
    const QByteArray letters("ABCDEFGHIJKLMNOP");
    QVERIFY(TestFiles::write(dir.filePath("file"), letters));
    QVERIFY(QFile::link(dir.filePath("file"), dir.filePath("link")));
    QCOMPARE(::mkfifo(TestFiles::native(dir.filePath("fifo")).c_str(), 0600), 0);
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    int pipeEnds[2];
    QCOMPARE(::pipe(pipeEnds), 0);
    QCOMPARE(::write(pipeEnds[1], letters.constData(), letters.size()), letters.size());
    const QString path = kind.startsWith('/') ? kind
                         : kind == "pipe"     ? QStringLiteral("/dev/fd/%1").arg(pipeEnds[0])
                                              : dir.filePath(kind);

    SecretBytes bytes;
    QString readError;
    QString writeError;
    auto calls = std::async(std::launch::async, [&] {
        const KeyfileStatus status = ReadKeyfile(path, bytes, readError);
        return std::make_pair(status, WriteKeyfile(path, letters, writeError));
    });
    if (calls.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Both ends of the FIFO, and a key in it, set free whichever call waits on it.
        const int both = ::open(TestFiles::native(dir.filePath("fifo")).c_str(), O_RDWR);
        QCOMPARE(::write(both, letters.constData(), letters.size()), letters.size());
        calls.wait();
        ::close(both);
        QFAIL("a call waited on a FIFO");
    }
    const auto [status, written] = calls.get();
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    QCOMPARE(int(status), int(regular ? KeyfileStatus::Ok : KeyfileStatus::Error));
    QCOMPARE(written, regular);
    if (regular) {
        QCOMPARE(NormalizedKey(bytes.view()).view(), letters);
        QCOMPARE(TestFiles::read(dir.filePath("file")), letters + QByteArray(48, '\0'));
        return;
    }
    QCOMPARE(readError, path + " cannot hold a key: a keyfile must be an ordinary file that gives "
                               "the same bytes every time it is read.");
    QVERIFY(!writeError.isEmpty());
}

void tst_zr7keyfrom::writeKeyfile()
{
    QTemporaryDir dir;
    const QByteArray key = NewRandomKeyBytes().view().toByteArray();
    QString error;
    QVERIFY(WriteKeyfile(dir.filePath("new.key"), key, error));
    QCOMPARE(TestFiles::read(dir.filePath("new.key")), key);
    QCOMPARE(QFileInfo(dir.filePath("new.key")).permissions() & 0x0077, QFile::Permissions());

    const QByteArray tail("a tail that stays");
    QVERIFY(TestFiles::write(dir.filePath("long.key"), QByteArray(64, 'x') + tail));
    QVERIFY(WriteKeyfile(dir.filePath("long.key"), key, error));
    QCOMPARE(TestFiles::read(dir.filePath("long.key")), key + tail);

    QVERIFY(!WriteKeyfile(dir.filePath("no/such/folder.key"), key, error));
    QVERIFY(!error.isEmpty());
}

void tst_zr7keyfrom::newRandomKeysAreUniformAndRandom()
{
    QList<int> counts(256, 0);
    int random = 0;
    int text = 0;
    for (int i = 0; i < 2000; ++i) {
        const SecretBytes key = NewRandomKeyBytes();
        QCOMPARE(key.size(), 64);
        for (char c : key)
            ++counts[static_cast<unsigned char>(c)];
        random += KeyIsRandom(key.view());
        text += KeyIsText(key.view());
        QVERIFY(KeyHasMinLength(key.view()));
    }
    for (int code = 0; code < 33; ++code)
        QCOMPARE(counts[code], 0);
    // 128,000 draws over 223 codes: about 574 each; a bias such as a modulo would show.
    for (int code = 33; code < 256; ++code)
        QVERIFY2(counts[code] > 430 && counts[code] < 720, qPrintable(QString::number(code)));
    QCOMPARE(text, 0);
    QVERIFY(random >= 1990);
}

void tst_zr7keyfrom::extendedKey_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("extended");
    const QByteArray k20("ABCDEFGHIJKLMNOPQRST");
    QTest::newRow("20 characters") << k20 << k20 + k20 + k20 + k20.left(4);
    QTest::newRow("16 characters") << k20.left(16) << k20.left(16).repeated(4);
    QTest::newRow("64 characters") << QByteArray(64, 'Z') << QByteArray(64, 'Z');
}

void tst_zr7keyfrom::extendedKey()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, extended);
    QCOMPARE(ExtendedKey(key), extended);
    QCOMPARE(ExtendedKey(key).size(), 64);
}

void tst_zr7keyfrom::keyLine_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("flags"); // n new, r random, t text
    QTest::addColumn<QString>("line");
    QTest::newRow("none") << -1 << ""
                          << "Not specified";
    QTest::newRow("keyboard") << 0 << "t"
                              << "Specified (keyboard entry, checksum = 2222)";
    QTest::newRow("new keyfile") << 2 << "nr"
                                 << "Specified (new random key in keyfile, checksum = 2222)";
    QTest::newRow("random keyfile")
        << 2 << "r"
        << "Specified (apparently random key in keyfile, checksum = 2222)";
    QTest::newRow("text keyfile") << 2 << "t"
                                  << "Specified (text key in keyfile, checksum = 2222)";
    QTest::newRow("other keyfile")
        << 2 << ""
        << "Specified (non-random non-text key in keyfile, checksum = 2222)";
}

void tst_zr7keyfrom::keyLine()
{
    QFETCH(int, source);
    QFETCH(QString, flags);
    QFETCH(QString, line);
    KeyRecord key;
    key.intKeySource = source;
    key.intKeyChecksum = 2222;
    key.blnNewKeyfile = flags.contains('n');
    key.blnKeyRandom = flags.contains('r');
    key.blnKeyText = flags.contains('t');
    QCOMPARE(KeyLine(key, "Specified", "Not specified"), line);
}

void tst_zr7keyfrom::windows1252()
{
    QVERIFY(Windows1252::CanEncode(QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac \xc5\x93")));
    QVERIFY(!Windows1252::CanEncode(QString::fromUtf8("\xc4\x81"))); // a with macron
    QVERIFY(!Windows1252::CanEncode(QString::fromUtf8("\xf0\x9f\x94\x91")));
    const QByteArray all = [] {
        QByteArray b;
        for (int c = 1; c < 256; ++c)
            b.append(char(c));
        return b;
    }();
    QCOMPARE(Windows1252::FromUnicode(Windows1252::ToUnicode(all)), all);
}

QTEST_GUILESS_MAIN(tst_zr7keyfrom)
#include "tst_zr7keyfrom.moc"
