#include "CliRun.h"
#include "TestFiles.h"
#include "keys/ZR7KeyFrom.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// What a user at a terminal saw and left behind.
struct TerminalRun
{
    int status = -1; // the exit status; -1 when the program did not end by itself
    QByteArray screen;
    bool echo = false; // the terminal echoes typed characters when the program has ended
};

// Reads what `master` shows into `screen` until it holds `wanted` (or, with "", until the
// program has ended); false after 20 seconds without it.
bool WaitFor(int master, QByteArray& screen, const QByteArray& wanted)
{
    while (wanted.isEmpty() || !screen.contains(wanted)) {
        pollfd ready = {master, POLLIN, 0};
        char bytes[512];
        if (::poll(&ready, 1, 20000) != 1)
            return false;
        const ssize_t got = ::read(master, bytes, sizeof bytes);
        if (got <= 0)
            return wanted.isEmpty(); // the program has ended and closed the terminal
        screen.append(bytes, got);
    }
    return true;
}

// zr7e-cli in `folder` on a terminal of its own, with standard error thrown away as by
// 2>/dev/null; each step waits until the screen shows its first part, then types its second.
TerminalRun RunOnTerminal(const QString& folder, const QStringList& args,
                          const QList<QByteArrayList>& steps)
{
    const QByteArray command = "cd '" + QFile::encodeName(folder) + "' && exec " ZR7_CLI " " +
                               args.join(' ').toUtf8() + " 2>/dev/null";
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", command.constData(), nullptr);
        ::_exit(127);
    }
    TerminalRun run;
    bool ended = child > 0;
    for (const QByteArrayList& step : steps)
        ended = ended && WaitFor(master, run.screen, step[0]) &&
                ::write(master, step[1].constData(), size_t(step[1].size())) == step[1].size();
    ended = ended && WaitFor(master, run.screen, {});
    termios settings{};
    run.echo = ended && ::tcgetattr(master, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
    int status = 0;
    if (child > 0 && !ended)
        ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    ::close(master);
    run.status = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

// zr7e-cli checksum and newkey, run as a script would run them.
class tst_cli_keys : public QObject
{
    Q_OBJECT

private slots:
    void checksum_data();
    void checksum();
    void newKey();
    void terminal_data();
    void terminal();

private:
    CliRun Cli(const QStringList& args, const QByteArray& input = {})
    {
        return RunCli(m_dir.path(), args, input);
    }
    QTemporaryDir m_dir;
};

void tst_cli_keys::checksum_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString abc16 = ZR7KeyFrom::ChecksumText([] {
        QByteArray digest;
        return ZR7KeyFrom::KeyChecksum("ABCDEFGHIJKLMNOP", digest);
    }());
    QTest::newRow("typed on stdin") << QStringList{"checksum", "--key-stdin"}
                                    << QByteArray("abcd efgh ijkl mnop\n") << 0 << abc16 + "\n"
                                    << "";
    QTest::newRow("keyfile") << QStringList{"checksum", "--key-file", "letters.key"} << QByteArray()
                             << 0 << abc16 + "\n"
                             << "";
    const QStringList typed{"checksum", "--key-stdin"};
    QTest::newRow("BOM, CR LF") << typed << QByteArray("\uFEFFabcd efgh ijkl mnop\r\n") << 0
                                << abc16 + "\n"
                                << "";
    QTest::newRow("65 with blanks, CR")
        << typed << "abcdefghijklmnop" + QByteArray(48, ' ') + "\r\r\n"
        << 2 << ""
        << "zr7e-cli: Error: A typed key has at most 64 characters.\n";
    QTest::newRow("code 0x81 in a keyfile") << QStringList{"checksum", "--key-file", "81.key"}
                                            << QByteArray() << 0 << "Checksum is 6990.\n"
                                            << "";
    QTest::newRow("too short")
        << QStringList{"checksum", "--key-stdin"} << QByteArray("abcd efgh ijkl mno\n") << 2 << ""
        << "zr7e-cli: Error: The key must have at least 16 characters, spaces not "
           "counted.\n";
    QTest::newRow("a line without end")
        << QStringList{"checksum", "--key-stdin"} << QByteArray("</dev/zero") << 2 << ""
        << "zr7e-cli: Error: A typed key has at most 64 characters.\n";
    QTest::newRow("unsuitable keyfile")
        << QStringList{"checksum", "--key-file", "short.key"} << QByteArray() << 2 << ""
        << "zr7e-cli: Unsuitable keyfile: short.key is not a suitable keyfile.\n";
    QTest::newRow("no key option without a terminal")
        << QStringList{"checksum"} << QByteArray() << 2 << ""
        << "zr7e-cli: Error: No key given: use --key-file FILE or --key-stdin.\n";
    QTest::newRow("a key as an argument is refused")
        << QStringList{"checksum", "abcdefghijklmnopq"} << QByteArray() << 2 << ""
        << "zr7e-cli: Error: unexpected argument abcdefghijklmnopq\n"
           "Try 'zr7e-cli --help'.\n";
}

void tst_cli_keys::checksum()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QVERIFY(TestFiles::write(m_dir.filePath("letters.key"), "ABCD EFGH\nIJKL MNOP"));
    QVERIFY(TestFiles::write(m_dir.filePath("short.key"), "ABC"));
    QVERIFY(TestFiles::write(m_dir.filePath("81.key"), "abcdefghijklmnop\x81q"));
    // "<FILE": standard input is that file, as a shell redirection gives it.
    const CliRun run =
        input.startsWith('<')
            ? RunCli(m_dir.path(), QStringList{"-c", "exec \"$0\" \"$@\" " + input, ZR7_CLI} + args,
                     {}, "/bin/sh")
            : Cli(args, input);
    QCOMPARE(run.err, err);
    QCOMPARE(run.out, out);
    QCOMPARE(run.status, status);
}

void tst_cli_keys::newKey()
{
    const CliRun made = Cli({"newkey", "fresh.key"});
    QCOMPARE(made.status, 0);
    const QByteArray bytes = TestFiles::read(m_dir.filePath("fresh.key"));
    QCOMPARE(bytes.size(), 64);
    for (char c : bytes)
        QVERIFY(static_cast<unsigned char>(c) >= 33);
    QCOMPARE(QFileInfo(m_dir.filePath("fresh.key")).permissions() & 0x0077, QFile::Permissions());
    QByteArray digest;
    QCOMPARE(made.out, ZR7KeyFrom::ChecksumText(ZR7KeyFrom::KeyChecksum(
                           ZR7KeyFrom::NormalizedKey(bytes).view(), digest)) +
                           "\n");
    QCOMPARE(Cli({"checksum", "--key-file", "fresh.key"}).out, made.out);

    const CliRun again = Cli({"newkey", "fresh.key"});
    QCOMPARE(again.status, 2);
    QCOMPARE(TestFiles::read(m_dir.filePath("fresh.key")), bytes);
    // Replaced only when asked, and never through a link, which could lead anywhere.
    QVERIFY(QFile::link(m_dir.filePath("fresh.key"), m_dir.filePath("link.key")));
    QCOMPARE(Cli({"newkey", "--force", "link.key"}).status, 2);
    QCOMPARE(TestFiles::read(m_dir.filePath("fresh.key")), bytes);
    QCOMPARE(Cli({"newkey", "--force", "fresh.key"}).status, 0);
    QVERIFY(TestFiles::read(m_dir.filePath("fresh.key")) != bytes);
    // Help is never a file name, nor is anything else that begins with "-".
    for (const QString arg : {"--help", "-h", "-"})
        QCOMPARE(Cli({"newkey", arg}).out.startsWith("zr7e-cli: "), arg != "-");
    QCOMPARE(QDir(m_dir.path()).entryList({"-*"}, QDir::Files), QStringList());
}

void tst_cli_keys::terminal_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QList<QByteArrayList>>("steps");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("shown");
    const QByteArray prompt = "Key (16-64 characters";
    const QByteArray key = "abcd efgh ijkl mnop\n";
    QTest::newRow("key typed") << QStringList{"checksum"} << QList<QByteArrayList>{{prompt, key}}
                               << 0 << QByteArray("Checksum is ");
    QTest::newRow("Ctrl-C at the key prompt")
        << QStringList{"checksum"} << QList<QByteArrayList>{{prompt, "abc\x03"}} << 130
        << QByteArray();
    QTest::newRow("Ctrl-C when asked again")
        << QStringList{"encrypt", "letter.txt"}
        << QList<QByteArrayList>{{prompt, key}, {"Enter the key again: ", "\x03"}} << 130
        << QByteArray();
    QTest::newRow("Ctrl-C at the confirmation")
        << QStringList{"encrypt", "--key-file", "letters.key", "letter.txt"}
        << QList<QByteArrayList>{{"[y/N] ", "\x03"}} << 130 << QByteArray();
}

// The key and the confirmation are asked on the terminal even with standard error thrown
// away; Ctrl-C ends a question at once and leaves the terminal echoing, the file untouched.
void tst_cli_keys::terminal()
{
    QFETCH(QStringList, args);
    QFETCH(QList<QByteArrayList>, steps);
    QFETCH(int, status);
    QFETCH(QByteArray, shown);
    QVERIFY(TestFiles::write(m_dir.filePath("letters.key"), "ABCD EFGH\nIJKL MNOP"));
    QVERIFY(TestFiles::write(m_dir.filePath("letter.txt"), "Dear reader"));
    const TerminalRun run = RunOnTerminal(m_dir.path(), args, steps);
    QCOMPARE(run.status, status);
    QVERIFY2(run.echo, run.screen.constData());
    QVERIFY2(run.screen.contains(shown), run.screen.constData());
    QVERIFY2(!run.screen.contains("abc"), "a hidden key was shown");
    QCOMPARE(TestFiles::read(m_dir.filePath("letter.txt")), QByteArray("Dear reader"));
}

QTEST_GUILESS_MAIN(tst_cli_keys)
#include "tst_cli_keys.moc"
