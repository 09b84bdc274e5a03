#include "SecretTraces.h"
#include "TestFiles.h"
#include "cli/OperationCommand.h"
#include "engine/RandomKey.h"
#include "keys/SecretBytes.h"
#include "keys/ZR7KeyFrom.h"
#include "support/ProcessHardening.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

// A key leaves no copy behind on the command line: a batch runs in this process as zr7e-cli
// runs it, with the key on standard input or in a keyfile, and then every readable byte of the
// process is searched for the key in each of its forms.
class tst_keytraces : public QObject
{
    Q_OBJECT

public:
    // As the program starts: freed blocks are wiped from the first.
    static void initMain() { ProcessHardening::WipeFreedMemory(); }

private slots:
    void batchLeavesNoKey_data();
    void batchLeavesNoKey();
};

namespace {

// Made here, in guarded memory, so that the search knows every copy it has not been told of.
SecretBytes RandomText(qsizetype size, const char* alphabet)
{
    SecretBytes text(size);
    const auto letters = static_cast<std::uint32_t>(std::strlen(alphabet));
    for (qsizetype i = 0; i < size; ++i)
        text[i] = alphabet[RandomUniform(letters)];
    return text;
}

bool WriteAll(int fd, const SecretBytes& bytes)
{
    return ::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) == bytes.size();
}

} // namespace

void tst_keytraces::batchLeavesNoKey_data()
{
    QTest::addColumn<bool>("keyfile");
    QTest::newRow("--key-stdin") << false;
    QTest::newRow("--key-file") << true;
}

void tst_keytraces::batchLeavesNoKey()
{
    if (!SecretTracesMeaningful)
        QSKIP("A sanitizer keeps freed blocks as they were.");
    QFETCH(bool, keyfile);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in"));
    QVERIFY(QDir().mkpath(in) && QDir().mkpath(dir.filePath(QStringLiteral("out"))));
    for (int i = 0; i < 3; ++i)
        QVERIFY(TestFiles::write(in + QStringLiteral("/f%1.txt").arg(i), "plain text"));

    // A typed key has lower case and blanks, so that its normalised form differs from it.
    const SecretBytes raw =
        keyfile ? RandomText(64, "!#%&()*+,-./0123456789:;<=>?@abcdefghijklmn\xe0\xe9\xf1\xfc")
                : RandomText(24, "abcdefghijklmnopqrstuvwxyz ");
    QStringList args = {QStringLiteral("--to"), dir.filePath(QStringLiteral("out")),
                        QStringLiteral("--yes"), in};
    const int savedStdin = ::dup(STDIN_FILENO);
    if (keyfile) {
        const QString path = dir.filePath(QStringLiteral("key"));
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(WriteAll(fd, raw) && ::close(fd) == 0);
        args << QStringLiteral("--key-file") << path;
    } else {
        int line[2];
        QVERIFY(::pipe(line) == 0);
        QVERIFY(WriteAll(line[1], raw) && ::write(line[1], "\n", 1) == 1);
        ::close(line[1]);
        ::dup2(line[0], STDIN_FILENO);
        ::close(line[0]);
        args << QStringLiteral("--key-stdin");
    }
    const int status = RunOperation(true, args);
    ::dup2(savedStdin, STDIN_FILENO);
    ::close(savedStdin);
    QCOMPARE(status, 0);

    const SecretBytes key = ZR7KeyFrom::NormalizedKey(raw.view());
    const SecretBytes extended = ZR7KeyFrom::ExtendedKey(key.view());
    const QStringList traces = SecretTraces(
        {{"key as given", raw.view()}, {"key", key.view()}, {"extended key", extended.view()}});
    QVERIFY2(traces.isEmpty(), qPrintable(traces.join(QStringLiteral("; "))));
}

QTEST_GUILESS_MAIN(tst_keytraces)
#include "tst_keytraces.moc"
