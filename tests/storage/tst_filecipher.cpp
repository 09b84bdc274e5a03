#include "EngineFixture.h"
#include "TestFiles.h"
#include "engine/StreamFormat.h"
#include "storage/FileCipher.h"
#include "storage/FileUtility.h"
#include "storage/OutputFile.h"
#include "storage/PosixFile.h"
#include "support/FileRandomness.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <future>
#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/vfs.h>
#include <unistd.h>

// Round trips at every chunk boundary, every kind of damage, and the engine's file handling.
class tst_filecipher : public QObject, public EngineFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void damage_data();
    void damage();
    void wrongKeyMakesNoOutput();
    void everyHeaderBitCounts_data();
    void everyHeaderBitCounts();
    void hostileLimitsCostNothing_data();
    void hostileLimitsCostNothing();
    void wrongKeyRefusedBeforeFirstChunk();
    void fileErrors_data();
    void fileErrors();
    void callOrder();
    void existingOutputReplacedOnlyOnSuccess();
    void replacedFileKeepsItsDataNotItsCache();
    void ciphertextsDifferAndArePrivate();
    void derivesOncePerKeyAndSalt();
    void defaultParametersRoundTrip();
    void ciphertextLooksRandom_data();
    void ciphertextLooksRandom();
    void keyIsText_data();
    void keyIsText();
};

void tst_filecipher::initTestCase()
{
    QVERIFY(setUp());
}

void tst_filecipher::roundTrip_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::newRow("empty") << qsizetype(0);
    QTest::newRow("one byte") << qsizetype(1);
    QTest::newRow("chunk - 1") << Chunk - 1;
    QTest::newRow("chunk") << Chunk;
    QTest::newRow("chunk + 1") << Chunk + 1;
    QTest::newRow("two chunks") << 2 * Chunk;
    QTest::newRow("three chunks + 17") << 3 * Chunk + 17;
    QTest::newRow("many chunks + 5") << 40 * Chunk + 5;
}

void tst_filecipher::roundTrip()
{
    QFETCH(qsizetype, size);
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    const QString back = m_dir.filePath("back.bin");
    const QByteArray data = TestFiles::randomBytes(size, quint64(size) + 1);
    QVERIFY(TestFiles::write(plain, data));

    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    QCOMPARE(TestFiles::read(plain), data); // input untouched
    const qsizetype chunks = size == 0 ? 1 : (size + Chunk - 1) / Chunk;
    QCOMPARE(QFileInfo(cipher).size(), Header + size + 16 * chunks);
    QCOMPARE(decrypt(cipher, back, m_key), EngineResult::Success);
    QCOMPARE(TestFiles::read(back), data);
    QVERIFY(leftovers().isEmpty());
    QFile::remove(cipher);
    QFile::remove(back);
}

void tst_filecipher::damage_data()
{
    // A ciphertext of three full chunks and a short fourth one; each row damages it once.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qsizetype>("at");
    QTest::addColumn<EngineResult>("expected");
    QTest::addColumn<qsizetype>("partialRecords"); // records of plaintext kept as partial

    const qsizetype second = Header + Record;
    QTest::newRow("flip in salt") << "flip" << qsizetype(3) << EngineResult::InvalidBlock
                                  << qsizetype(0);
    QTest::newRow("flip in parameters")
        << "flip" << qsizetype(17) << EngineResult::InvalidBlock << qsizetype(0);
    QTest::newRow("flip in nonce")
        << "flip" << qsizetype(30) << EngineResult::InvalidBlock << qsizetype(0);
    QTest::newRow("flip in commitment")
        << "flip" << qsizetype(50) << EngineResult::InvalidBlock << qsizetype(0);
    QTest::newRow("flip in first chunk")
        << "flip" << Header + 100 << EngineResult::InvalidBlock << qsizetype(0);
    QTest::newRow("flip in first tag")
        << "flip" << second - 1 << EngineResult::InvalidBlock << qsizetype(0);
    QTest::newRow("flip in second chunk")
        << "flip" << second + 5 << EngineResult::InvalidBlockPartial << qsizetype(1);
    QTest::newRow("flip in last tag")
        << "flip" << qsizetype(-1) << EngineResult::InvalidBlockPartial << qsizetype(3);
    QTest::newRow("truncated in header")
        << "truncate" << qsizetype(20) << EngineResult::InvalidBlock << qsizetype(0);
    QTest::newRow("header only") << "truncate" << Header << EngineResult::InvalidBlock
                                 << qsizetype(0);
    QTest::newRow("truncated in first chunk")
        << "truncate" << Header + 10 << EngineResult::InvalidBlock << qsizetype(0);
    QTest::newRow("truncated after first chunk")
        << "truncate" << second << EngineResult::InvalidBlock << qsizetype(0);
    QTest::newRow("truncated after third chunk")
        << "truncate" << Header + 3 * Record << EngineResult::InvalidBlockPartial << qsizetype(2);
    QTest::newRow("truncated in last chunk")
        << "truncate" << qsizetype(-3) << EngineResult::InvalidBlockPartial << qsizetype(3);
    QTest::newRow("one byte appended")
        << "append" << qsizetype(1) << EngineResult::InvalidBlockPartial << qsizetype(3);
    QTest::newRow("a record appended")
        << "append" << Record << EngineResult::InvalidBlockPartial << qsizetype(3);
    QTest::newRow("chunks 2 and 3 swapped")
        << "swap" << qsizetype(1) << EngineResult::InvalidBlockPartial << qsizetype(1);
    QTest::newRow("chunks 1 and 2 swapped")
        << "swap" << qsizetype(0) << EngineResult::InvalidBlock << qsizetype(0);
}

void tst_filecipher::damage()
{
    QFETCH(QString, kind);
    QFETCH(qsizetype, at);
    QFETCH(EngineResult, expected);
    QFETCH(qsizetype, partialRecords);

    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    const QString back = m_dir.filePath("back.bin");
    const QByteArray data = TestFiles::randomBytes(3 * Chunk + 100, 7);
    QVERIFY(TestFiles::write(plain, data));
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    QByteArray bytes = TestFiles::read(cipher);
    if (at < 0 && kind != "append")
        at += bytes.size();
    if (kind == "flip")
        bytes[at] = char(bytes[at] ^ 0x04);
    else if (kind == "truncate")
        bytes.truncate(at);
    else if (kind == "append")
        bytes.append(TestFiles::randomBytes(at, 99));
    else if (kind == "swap") {
        const qsizetype a = Header + at * Record;
        const QByteArray first = bytes.mid(a, Record);
        bytes.replace(a, Record, bytes.mid(a + Record, Record));
        bytes.replace(a + Record, Record, first);
    }
    QVERIFY(TestFiles::write(cipher, bytes));

    QCOMPARE(m_engine.verify_file(TestFiles::native(cipher)), expected);
    QCOMPARE(decrypt(cipher, back, m_key), expected);
    QVERIFY(!QFileInfo::exists(back)); // never an incomplete file under the output's own name
    const QString partial = QString::fromStdString(m_engine.partial_output());
    if (partialRecords == 0) {
        QVERIFY(partial.isEmpty());
    } else {
        QCOMPARE(partial, back + ".partial");
        QCOMPARE(TestFiles::read(partial), data.left(partialRecords * Chunk));
        QFile::remove(partial);
    }
    QVERIFY(leftovers().isEmpty());
}

// Any change to any bit of the header is refused before any output, in a file of one chunk as
// in a file of several.
void tst_filecipher::everyHeaderBitCounts_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::newRow("one chunk") << qsizetype(1000);
    QTest::newRow("several chunks") << 3 * Chunk + 100;
}

void tst_filecipher::everyHeaderBitCounts()
{
    QFETCH(qsizetype, size);
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    const QString back = m_dir.filePath("back.bin");
    QVERIFY(TestFiles::write(plain, TestFiles::randomBytes(size, 8)));
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    const QByteArray original = TestFiles::read(cipher);
    for (qsizetype bit = 0; bit < 8 * Header; ++bit) {
        QByteArray bytes = original;
        bytes[bit / 8] = char(bytes[bit / 8] ^ (1 << (bit % 8)));
        QVERIFY(TestFiles::write(cipher, bytes));
        QVERIFY2(decrypt(cipher, back, m_key) == EngineResult::InvalidBlock,
                 qPrintable(QStringLiteral("bit %1").arg(bit)));
        QVERIFY(!QFileInfo::exists(back) && !QFileInfo::exists(back + ".partial"));
    }
    QVERIFY(leftovers().isEmpty());
}

// A header that asks for more Argon2id work than the writer ever uses, or larger chunks, is
// refused before any key derivation.
void tst_filecipher::hostileLimitsCostNothing_data()
{
    QTest::addColumn<int>("opsLimit");
    QTest::addColumn<int>("memLog");
    QTest::addColumn<int>("chunkLog");
    using namespace StreamFormat;
    QTest::newRow("one pass more") << MaxOpsLimit + 1 << MinMemLog << ChunkLog;
    QTest::newRow("twice the memory") << 1 << MaxMemLog + 1 << ChunkLog;
    QTest::newRow("twice the chunk") << 1 << MinMemLog << MaxChunkLog + 1;
    QTest::newRow("no pass") << MinOpsLimit - 1 << MinMemLog << ChunkLog;
}

void tst_filecipher::hostileLimitsCostNothing()
{
    QFETCH(int, opsLimit);
    QFETCH(int, memLog);
    QFETCH(int, chunkLog);
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    QVERIFY(TestFiles::write(plain, "a short text"));
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    QByteArray bytes = TestFiles::read(cipher);
    auto* header = reinterpret_cast<std::uint8_t*>(bytes.data());
    StreamFormat::Header fields;
    QVERIFY(StreamFormat::decodePrefix(header, fields) == StreamFormat::HeaderCheck::Valid);
    fields.kdf = {opsLimit, memLog};
    fields.chunkLog = chunkLog;
    StreamFormat::encodeHeader(fields, header);
    QVERIFY(TestFiles::write(cipher, bytes));
    // A fresh engine: the shared one may hold a key derived under these limits by an earlier
    // test, which would hide a derivation here.
    FileCipher fresh;
    QCOMPARE(fresh.allocate_buffers(), 1);
    fresh.operation_initialization({m_key.constData(), size_t(m_key.size())}, 0, bytes.size(), 0);
    QCOMPARE(fresh.decrypt_file(TestFiles::native(cipher),
                                TestFiles::native(m_dir.filePath("back.bin"))),
             EngineResult::InvalidBlock);
    QCOMPARE(fresh.key_derivations(), 0);
}

// Another key is told by the commitment in the header, without reading a chunk: here the
// chunks never come, and the decryption must still end at once.
void tst_filecipher::wrongKeyRefusedBeforeFirstChunk()
{
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    QVERIFY(TestFiles::write(plain, TestFiles::randomBytes(3000, 4)));
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    const QByteArray header = TestFiles::read(cipher).left(Header);
    int pipe[2];
    QVERIFY(::pipe(pipe) == 0);
    QCOMPARE(::write(pipe[1], header.constData(), size_t(Header)), ssize_t(Header));
    const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    QByteArray other = m_key;
    other[0] = '#';
    m_engine.operation_initialization({other.constData(), size_t(other.size())}, 0, 0, 0);
    auto result =
        std::async(std::launch::async, [&] { return m_engine.decrypt_fd(pipe[0], sink); });
    const bool ended = result.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    ::close(pipe[1]); // lets a decryption that waits for chunk 0 end, should the test fail
    QVERIFY2(ended, "the wrong key was not refused before the first chunk");
    QCOMPARE(result.get(), EngineResult::InvalidBlock);
    ::close(pipe[0]);
    ::close(sink);
}

void tst_filecipher::wrongKeyMakesNoOutput()
{
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    const QString back = m_dir.filePath("back.bin");
    QVERIFY(TestFiles::write(plain, TestFiles::randomBytes(5 * Chunk, 3)));
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    QByteArray other = m_key;
    other[63] = 'X';
    QCOMPARE(decrypt(cipher, back, other), EngineResult::InvalidBlock);
    QVERIFY(!QFileInfo::exists(back));
    QVERIFY(m_engine.partial_output().empty());
    QVERIFY(leftovers().isEmpty());
}

void tst_filecipher::fileErrors_data()
{
    QTest::addColumn<QString>("input");  // relative to the test folder; "dir" is a folder
    QTest::addColumn<QString>("output"); // relative to the test folder
    QTest::addColumn<EngineResult>("encryptResult");
    QTest::addColumn<EngineResult>("decryptResult");
    const EngineResult notFound = EngineResult::InputNotFound,
                       notOpened = EngineResult::InputNotOpened,
                       noOutput = EngineResult::OutputNotOpened,
                       invalid = EngineResult::InvalidBlock;
    QTest::newRow("missing input") << "nothing.bin"
                                   << "out" << notFound << notFound;
    QTest::newRow("input in missing folder") << "nowhere/x.bin"
                                             << "out" << notFound << notFound;
    QTest::newRow("input is a folder") << "dir"
                                       << "out" << notOpened << notOpened;
    QTest::newRow("output folder missing") << "small.bin"
                                           << "nowhere/out" << noOutput << invalid;
    QTest::newRow("output is a folder path") << "small.bin"
                                             << "dir/" << noOutput << invalid;
    QTest::newRow("three bytes") << "three.bin"
                                 << "out" << EngineResult::Success << invalid;
}

void tst_filecipher::fileErrors()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(EngineResult, encryptResult);
    QFETCH(EngineResult, decryptResult);
    QDir(m_dir.path()).mkpath("dir");
    QVERIFY(TestFiles::write(m_dir.filePath("small.bin"), "small"));
    QVERIFY(TestFiles::write(m_dir.filePath("three.bin"), "abc"));
    const QString out = m_dir.filePath(output);
    QCOMPARE(encrypt(m_dir.filePath(input), out, m_key), encryptResult);
    QFile::remove(out);
    QCOMPARE(decrypt(m_dir.filePath(input), out, m_key), decryptResult);
    QVERIFY(!QFileInfo(out).isFile());
    QVERIFY(leftovers().isEmpty());
}

void tst_filecipher::callOrder()
{
    FileCipher engine;
    const std::string in = TestFiles::native(m_dir.filePath("small.bin"));
    const std::string out = TestFiles::native(m_dir.filePath("never"));
    QCOMPARE(engine.encrypt_file(in, out), EngineResult::NotAllocated);
    QCOMPARE(engine.allocate_buffers(), 1);
    QCOMPARE(engine.decrypt_file(in, out), EngineResult::NotInitialised);
    engine.operation_initialization(m_key.toStdString(), 1, 0, 0);
    engine.deallocate_buffers();
    QCOMPARE(engine.encrypt_file(in, out), EngineResult::NotAllocated);
    QVERIFY(!QFileInfo::exists(m_dir.filePath("never")));
}

void tst_filecipher::existingOutputReplacedOnlyOnSuccess()
{
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    const QString existing = m_dir.filePath("existing.bin");
    QVERIFY(TestFiles::write(plain, "the new contents"));
    QVERIFY(TestFiles::write(existing, "the old contents"));
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    QByteArray other = m_key;
    other[0] = '#';
    QCOMPARE(decrypt(cipher, existing, other), EngineResult::InvalidBlock);
    QCOMPARE(TestFiles::read(existing), QByteArray("the old contents"));
    QCOMPARE(decrypt(cipher, existing, m_key), EngineResult::Success);
    QCOMPARE(TestFiles::read(existing), QByteArray("the new contents"));
}

namespace {

// How many of the file's pages are in the page cache; -1 when that cannot be told.
qsizetype CachedPages(const QString& path)
{
    PosixFile::Fd fd(::open(TestFiles::native(path).c_str(), O_RDONLY | O_CLOEXEC));
    const qsizetype size = QFileInfo(path).size();
    void* map =
        fd.valid() ? ::mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED, fd.get(), 0) : MAP_FAILED;
    if (map == MAP_FAILED)
        return -1;
    const long page = ::sysconf(_SC_PAGESIZE);
    std::vector<unsigned char> resident(size_t((size + page - 1) / page));
    qsizetype count = -1;
    if (::mincore(map, size_t(size), resident.data()) == 0)
        count =
            std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; });
    ::munmap(map, size_t(size));
    return count;
}

} // namespace

// The file that a new output will replace keeps every byte until the rename, and when the new
// one is abandoned; only its cached pages are let go at once, for the new file's pages.
void tst_filecipher::replacedFileKeepsItsDataNotItsCache()
{
    const QString old = m_dir.filePath("old.bin");
    const QByteArray contents = QByteArray("the old contents ").repeated(256 * 1024);
    QVERIFY(TestFiles::write(old, contents));
    QCOMPARE(FileUtility::sync_file(TestFiles::native(old)), 0); // clean pages, still cached
    const qsizetype before = CachedPages(old);

    OutputFile output;
    QVERIFY(output.create(TestFiles::native(old)));
    const qsizetype after = CachedPages(old);
    output.discard();
    QCOMPARE(TestFiles::read(old), contents);
    QVERIFY(leftovers().isEmpty());

    struct statfs fs;
    if (before <= 0 ||
        (::statfs(TestFiles::native(old).c_str(), &fs) == 0 && fs.f_type == TMPFS_MAGIC))
        QSKIP("this file system keeps no separate page cache to let go of");
    QCOMPARE(after, qsizetype(0));
}

void tst_filecipher::ciphertextsDifferAndArePrivate()
{
    const QString plain = m_dir.filePath("plain.bin");
    QVERIFY(TestFiles::write(plain, QByteArray(3000, 'a')));
    QCOMPARE(encrypt(plain, m_dir.filePath("c1"), m_key), EngineResult::Success);
    QCOMPARE(encrypt(plain, m_dir.filePath("c2"), m_key), EngineResult::Success);
    const QByteArray c1 = TestFiles::read(m_dir.filePath("c1"));
    const QByteArray c2 = TestFiles::read(m_dir.filePath("c2"));
    // One salt per key in a batch, a fresh nonce per file.
    QCOMPARE(c1.left(16), c2.left(16));
    QVERIFY(c1.mid(20, 16) != c2.mid(20, 16));
    QVERIFY(c1.mid(Header) != c2.mid(Header));
    QVERIFY(!c1.contains(QByteArray(16, 'a')));
    QCOMPARE(QFileInfo(m_dir.filePath("c1")).permissions() & 0x0077, QFile::Permissions());
}

void tst_filecipher::derivesOncePerKeyAndSalt()
{
    FileCipher engine;
    QCOMPARE(engine.allocate_buffers(), 1);
    engine.set_kdf_params({1, StreamFormat::MinMemLog});
    const QString plain = m_dir.filePath("plain.bin");
    QVERIFY(TestFiles::write(plain, "some text"));
    auto run = [&](const QByteArray& key, bool encrypt, const QString& in, const QString& out) {
        engine.operation_initialization(key.toStdString(), encrypt, 0, 0);
        return encrypt ? engine.encrypt_file(TestFiles::native(in), TestFiles::native(out))
                       : engine.decrypt_file(TestFiles::native(in), TestFiles::native(out));
    };
    for (int i = 0; i < 4; ++i)
        QCOMPARE(run(m_key, true, plain, m_dir.filePath(QString("c%1").arg(i))),
                 EngineResult::Success);
    QCOMPARE(engine.key_derivations(), 1);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(run(m_key, false, m_dir.filePath(QString("c%1").arg(i)), m_dir.filePath("d")),
                 EngineResult::Success);
    QCOMPARE(engine.key_derivations(), 1);
    QByteArray other = m_key;
    other[5] = '!';
    QCOMPARE(run(other, true, plain, m_dir.filePath("c9")), EngineResult::Success);
    QCOMPARE(engine.key_derivations(), 2);
    // A file made by another engine has another salt: one more derivation.
    QCOMPARE(encrypt(plain, m_dir.filePath("foreign"), m_key), EngineResult::Success);
    QCOMPARE(run(m_key, false, m_dir.filePath("foreign"), m_dir.filePath("d")),
             EngineResult::Success);
    QCOMPARE(engine.key_derivations(), 3);
    // A file's maker chose its salt: later encryptions take their own, be it refused or opened.
    const QByteArray refused = '%' + m_key.mid(1), opened = '&' + m_key.mid(1);
    QCOMPARE(encrypt(plain, m_dir.filePath("theirs"), opened), EngineResult::Success);
    const QByteArray theirSalt = TestFiles::read(m_dir.filePath("theirs")).left(16);
    for (const QByteArray& key : {refused, refused, opened})
        QCOMPARE(run(key, false, m_dir.filePath("theirs"), m_dir.filePath("d")),
                 key == opened ? EngineResult::Success : EngineResult::InvalidBlock);
    QCOMPARE(engine.key_derivations(), 6);
    for (const QByteArray& key : {refused, opened}) {
        QCOMPARE(run(key, true, plain, m_dir.filePath("c")), EngineResult::Success);
        QVERIFY(TestFiles::read(m_dir.filePath("c")).left(16) != theirSalt);
    }
    QCOMPARE(engine.key_derivations(), 8);
}

void tst_filecipher::defaultParametersRoundTrip()
{
    FileCipher engine; // libsodium's MODERATE limits and the default chunk size
    QCOMPARE(engine.allocate_buffers(), 1);
    const QString plain = m_dir.filePath("plain.bin");
    const QByteArray data = TestFiles::randomBytes((qsizetype{1} << 20) + 3, 11);
    QVERIFY(TestFiles::write(plain, data));
    engine.operation_initialization(m_key.toStdString(), 1, data.size(), 0);
    QCOMPARE(engine.encrypt_file(TestFiles::native(plain), TestFiles::native(plain + ".zr7")),
             EngineResult::Success);
    engine.operation_initialization(m_key.toStdString(), 0, 0, 0);
    QCOMPARE(
        engine.decrypt_file(TestFiles::native(plain + ".zr7"), TestFiles::native(plain + ".d")),
        EngineResult::Success);
    QCOMPARE(TestFiles::read(plain + ".d"), data);
    QCOMPARE(engine.key_derivations(), 1);
}

void tst_filecipher::ciphertextLooksRandom_data()
{
    QTest::addColumn<QByteArray>("plaintext");
    QTest::newRow("the smallest measured ciphertext, of zeros")
        << QByteArray(256 - Header - 16, '\0');
    QTest::newRow("text")
        << QByteArray("The quick brown fox jumps over the lazy dog. ").repeated(40);
    QTest::newRow("counting bytes over many chunks") << [] {
        QByteArray b(20 * Chunk, Qt::Uninitialized);
        for (qsizetype i = 0; i < b.size(); ++i)
            b[i] = char(i);
        return b;
    }();
}

// The anomaly check before decryption relies on every ciphertext measuring as random.
void tst_filecipher::ciphertextLooksRandom()
{
    QFETCH(QByteArray, plaintext);
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    QVERIFY(TestFiles::write(plain, plaintext));
    QVERIFY(FileRandomness::fr(TestFiles::native(plain), 256).value < 0.8);
    for (int i = 0; i < 50; ++i) {
        QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
        const double r = FileRandomness::fr(TestFiles::native(cipher), 256).value;
        QVERIFY2(r > 0.89, qPrintable(QString::number(r)));
    }
}

void tst_filecipher::keyIsText_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("text");
    QTest::newRow("letters and blanks") << QByteArray("A quiet key of plain words") << 1;
    QTest::newRow("tab CR LF") << QByteArray("line one\r\n\tline two") << 1;
    QTest::newRow("NULs at the end") << QByteArray("short key\0\0\0", 12) << 1;
    QTest::newRow("NUL inside") << QByteArray("short\0key", 9) << 0;
    QTest::newRow("all NULs") << QByteArray(64, '\0') << 0;
    QTest::newRow("code 127") << QByteArray("abc\x7f") << 0;
    QTest::newRow("code 128") << QByteArray("abc\x80") << 0;
    QTest::newRow("control code") << QByteArray("abc\x01") << 0;
    QTest::newRow("Windows-1252 letter") << QByteArray("caf\xe9") << 0;
}

void tst_filecipher::keyIsText()
{
    QFETCH(QByteArray, key);
    QFETCH(int, text);
    QCOMPARE(FileCipher::key_is_text(reinterpret_cast<const std::uint8_t*>(key.constData()),
                                     int(key.size())) != 0,
             text != 0);
}

QTEST_GUILESS_MAIN(tst_filecipher)
#include "tst_filecipher.moc"
