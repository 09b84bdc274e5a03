#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype Chunk = 1 << 20;
constexpr qsizetype Header = 68;
constexpr qsizetype Record = Chunk + 16;

struct Piped
{
    int status = -1;
    QByteArray out;
    QString err;
};

// zr7e-cli with `input` on standard input and its standard output kept as bytes; with
// `nonBlocking`, both pipes are left non-blocking, as a parent program may leave them.
Piped Pipe(const QString& folder, const QStringList& args, const QByteArray& input,
           bool nonBlocking = false)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    // Without a controlling terminal: a key is never asked for on the one the tests run from.
    process.setChildProcessModifier([nonBlocking] {
        ::setsid();
        if (nonBlocking) {
            ::fcntl(STDIN_FILENO, F_SETFL, O_NONBLOCK);
            ::fcntl(STDOUT_FILENO, F_SETFL, O_NONBLOCK);
        }
    });
    process.start(QStringLiteral(ZR7_CLI), args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    return {process.exitCode(), process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

// Standard input to standard output for pipelines, and verifying files without decrypting them.
class tst_cli_streams : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTripThroughPipes_data();
    void roundTripThroughPipes();
    void brokenStreamReleasesOnlyAuthenticatedBytes_data();
    void brokenStreamReleasesOnlyAuthenticatedBytes();
    void nonBlockingPipesAreWaitedFor();
    void refusedWithoutWaitingOrWriting_data();
    void refusedWithoutWaitingOrWriting();
    void closedStandardDescriptorIsNamed_data();
    void closedStandardDescriptorIsNamed();
    void keyMustNotComeFromTheData();
    void verifyNamesWhatIsWrong();
    void verifyFailsOverFolderNotRead();

private:
    QStringList Key(const QString& name = QStringLiteral("my.key")) const
    {
        return {QStringLiteral("--key-file"), m_dir.filePath(name)};
    }

    QTemporaryDir m_dir;
};

void tst_cli_streams::initTestCase()
{
    for (const char* name : {"my.key", "other.key"})
        QCOMPARE(Pipe(m_dir.path(), {"newkey", QString::fromLatin1(name)}, {}).status, 0);
}

void tst_cli_streams::roundTripThroughPipes_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::newRow("empty") << qsizetype(0);
    QTest::newRow("one chunk less a byte") << Chunk - 1;
    QTest::newRow("one chunk") << Chunk;
    QTest::newRow("one chunk and a byte") << Chunk + 1;
    QTest::newRow("several chunks") << 3 * Chunk + 5;
}

void tst_cli_streams::roundTripThroughPipes()
{
    QFETCH(qsizetype, size);
    const QByteArray data = TestFiles::randomBytes(size, 17);
    const Piped sealed =
        Pipe(m_dir.path(), QStringList{"encrypt"} + Key() + QStringList{"-"}, data);
    QCOMPARE(sealed.status, 0);
    // The stream is a file of the usual format: the look-ahead marks a chunk that the data
    // fills exactly as the last, and empty data still has its one, empty, chunk.
    const qsizetype records = qMax<qsizetype>(1, (size + Chunk - 1) / Chunk);
    QCOMPARE(sealed.out.size(), Header + records * 16 + size);
    const Piped opened =
        Pipe(m_dir.path(), QStringList{"decrypt"} + Key() + QStringList{"-"}, sealed.out);
    QCOMPARE(opened.status, 0);
    QVERIFY(opened.out == data);
}

void tst_cli_streams::brokenStreamReleasesOnlyAuthenticatedBytes_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<qsizetype>("kept"); // chunks of plaintext released
    QTest::newRow("damaged in the second chunk") << "flip" << qsizetype(1);
    QTest::newRow("cut in the third chunk") << "cut" << qsizetype(2);
    QTest::newRow("cut after the second chunk") << "cut at a boundary" << qsizetype(1);
    QTest::newRow("another key") << "key" << qsizetype(0);
}

void tst_cli_streams::brokenStreamReleasesOnlyAuthenticatedBytes()
{
    QFETCH(QString, change);
    QFETCH(qsizetype, kept);
    const QByteArray data = TestFiles::randomBytes(3 * Chunk + 100, 23);
    QByteArray stream =
        Pipe(m_dir.path(), QStringList{"encrypt"} + Key() + QStringList{"-"}, data).out;
    if (change == "flip")
        stream[Header + Record + 99] = char(stream[Header + Record + 99] ^ 1);
    else if (change == "cut")
        stream.truncate(Header + 2 * Record + 500);
    else if (change == "cut at a boundary")
        stream.truncate(Header + 2 * Record);
    const QString key = change == "key" ? QStringLiteral("other.key") : QStringLiteral("my.key");
    const Piped opened =
        Pipe(m_dir.path(), QStringList{"decrypt"} + Key(key) + QStringList{"-"}, stream);
    QCOMPARE(opened.status, 1);
    QVERIFY(opened.out == data.left(kept * Chunk));
    QVERIFY2(opened.err.startsWith("zr7e-cli: Error: "), qPrintable(opened.err));
}

void tst_cli_streams::nonBlockingPipesAreWaitedFor()
{
    const QByteArray data = TestFiles::randomBytes(2 * Chunk + 3, 31);
    const Piped sealed =
        Pipe(m_dir.path(), QStringList{"encrypt"} + Key() + QStringList{"-"}, data, true);
    QCOMPARE(sealed.status, 0);
    const Piped opened =
        Pipe(m_dir.path(), QStringList{"decrypt"} + Key() + QStringList{"-"}, sealed.out, true);
    QCOMPARE(opened.status, 0);
    QVERIFY(opened.out == data);
}

void tst_cli_streams::refusedWithoutWaitingOrWriting_data()
{
    QTest::addColumn<QStringList>("args");  // with the key options after the first
    QTest::addColumn<QStringList>("stdio"); // standard input and output (appended), or none
    QTest::addColumn<int>("status");
    QTest::newRow("encrypted onto its input")
        << QStringList{"encrypt", "-"} << QStringList{"data", "data"} << 2;
    QTest::newRow("decrypted onto its input")
        << QStringList{"decrypt", "-"} << QStringList{"data", "data"} << 2;
    QTest::newRow("encrypted onto the keyfile")
        << QStringList{"encrypt", "-"} << QStringList{"data", "my.key"} << 2;
    QTest::newRow("verify a FIFO") << QStringList{"verify", "fifo"} << QStringList() << 1;
    QTest::newRow("run a FIFO") << QStringList{"run", "fifo"} << QStringList() << 2;
}

// `< f >> f` would make the output eat its own input, or the key; a FIFO without a writer
// would block an ordinary open for ever.
void tst_cli_streams::refusedWithoutWaitingOrWriting()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, stdio);
    QFETCH(int, status);
    ::mkfifo(TestFiles::native(m_dir.filePath(QStringLiteral("fifo"))).c_str(), 0600);
    QVERIFY(TestFiles::write(m_dir.filePath(QStringLiteral("data")), "some data"));
    const QByteArray before =
        stdio.isEmpty() ? QByteArray() : TestFiles::read(m_dir.filePath(stdio[1]));
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    if (!stdio.isEmpty()) {
        process.setStandardInputFile(m_dir.filePath(stdio[0]));
        process.setStandardOutputFile(m_dir.filePath(stdio[1]), QIODevice::Append);
    }
    process.start(QStringLiteral(ZR7_CLI), args.mid(0, 1) + Key() + args.mid(1));
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), status);
    if (!stdio.isEmpty())
        QCOMPARE(TestFiles::read(m_dir.filePath(stdio[1])), before);
}

void tst_cli_streams::closedStandardDescriptorIsNamed_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("closed");
    QTest::addColumn<QString>("message");
    QTest::newRow("encrypt, no input") << "encrypt" << int(STDIN_FILENO)
                                       << "Standard input is closed: there is no data to encrypt.";
    QTest::newRow("decrypt, no input") << "decrypt" << int(STDIN_FILENO)
                                       << "Standard input is closed: there is no data to decrypt.";
    QTest::newRow("decrypt, no output") << "decrypt" << int(STDOUT_FILENO)
                                        << "Standard output is closed: the output would be lost.";
}

// A descriptor the program opens itself must never take the number of a closed standard one
// and be polled or written as if it were the stream.
void tst_cli_streams::closedStandardDescriptorIsNamed()
{
    QFETCH(QString, command);
    QFETCH(int, closed);
    QFETCH(QString, message);
    QVERIFY(TestFiles::write(m_dir.filePath(QStringLiteral("data")), "some data"));
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setChildProcessModifier([closed] { ::close(closed); });
    process.setStandardInputFile(m_dir.filePath(QStringLiteral("data")));
    process.start(QStringLiteral(ZR7_CLI), QStringList{command} + Key() + QStringList{"-"});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 2);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
             "zr7e-cli: Error: " + message + "\n");
}

void tst_cli_streams::keyMustNotComeFromTheData()
{
    const Piped run = Pipe(m_dir.path(), {"encrypt", "--key-stdin", "-"}, "a key line\n");
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err, QStringLiteral("zr7e-cli: Error: Standard input is the data: give the key "
                                     "with --key-file FILE.\nTry 'zr7e-cli --help'.\n"));
}

void tst_cli_streams::verifyNamesWhatIsWrong()
{
    const QString folder = m_dir.filePath(QStringLiteral("archive"));
    QVERIFY(QDir().mkpath(folder + "/sub"));
    const QByteArray data = TestFiles::randomBytes(2 * Chunk + 7, 29);
    const QByteArray stream =
        Pipe(m_dir.path(), QStringList{"encrypt"} + Key() + QStringList{"-"}, data).out;
    QByteArray damaged = stream;
    damaged[Header + 10] = char(damaged[Header + 10] ^ 1);
    QVERIFY(TestFiles::write(folder + "/intact.zr7", stream));
    QVERIFY(TestFiles::write(folder + "/damaged.zr7", damaged));
    QVERIFY(TestFiles::write(folder + "/truncated.zr7", stream.left(Header + Record)));
    QVERIFY(TestFiles::write(folder + "/sub/plain.zr7", "nothing secret here"));
    QVERIFY(TestFiles::write(
        folder + "/sub/other.zr7",
        Pipe(m_dir.path(), QStringList{"encrypt"} + Key("other.key") + QStringList{"-"}, data)
            .out));
    const QDateTime before = QFileInfo(folder + "/intact.zr7").lastModified();

    const Piped run = Pipe(m_dir.path(),
                           QStringList{"verify", "--subfolders", "--files", "*.zr7"} + Key() +
                               QStringList{folder},
                           {});
    QCOMPARE(run.status, 1);
    const QStringList expected{
        "damaged.zr7  damaged: the chunk at byte 68 does not authenticate",
        "intact.zr7  verified",
        "truncated.zr7  truncated: the file ends at byte 1,048,660, before its last chunk",
        "sub/other.zr7  wrong key: the file does not open with this key",
        "sub/plain.zr7  not an encrypted file",
        "",
        "Files verified: 1 of 5",
        ""};
    QCOMPARE(QString::fromUtf8(run.out).split('\n'), expected);
    // Nothing written anywhere: the same files, untouched.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"damaged.zr7", "intact.zr7", "truncated.zr7"}));
    QCOMPARE(QDir(folder + "/sub").entryList(QDir::Files | QDir::Hidden),
             (QStringList{"other.zr7", "plain.zr7"}));
    QCOMPARE(QFileInfo(folder + "/intact.zr7").lastModified(), before);
    const Piped intact =
        Pipe(m_dir.path(), QStringList{"verify"} + Key() + QStringList{folder + "/intact.zr7"}, {});
    QCOMPARE(intact.status, 0);
}

// Every file that was found verifies, but a subfolder could not be read (its name is not
// UTF-8, which stops root too): a script must not take that for success.
void tst_cli_streams::verifyFailsOverFolderNotRead()
{
    QTemporaryDir dir;
    QVERIFY(::mkdir(QFile::encodeName(dir.path() + "/sub").append('\xff').constData(), 0755) == 0);
    QVERIFY(TestFiles::write(
        dir.filePath("intact.zr7"),
        Pipe(m_dir.path(), QStringList{"encrypt"} + Key() + QStringList{"-"}, "some text").out));
    const Piped run = Pipe(
        m_dir.path(), QStringList{"verify", "--subfolders"} + Key() + QStringList{dir.path()}, {});
    QVERIFY2(run.out.endsWith("\nFiles verified: 1 of 1\n"), run.out.constData());
    QVERIFY2(run.err.contains(QStringLiteral("Cannot read the folder ")), qPrintable(run.err));
    QCOMPARE(run.status, 1);
}

QTEST_GUILESS_MAIN(tst_cli_streams)
#include "tst_cli_streams.moc"
