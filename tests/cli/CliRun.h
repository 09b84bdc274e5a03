#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <unistd.h>

// zr7e-cli run as a script would run it: in `folder`, with `input` on standard input.
struct CliRun
{
    int status = -1;
    QString out;
    QString err;
};

// `program` runs instead of zr7e-cli when given (a wrapper that starts it, for one).
inline CliRun RunCli(const QString& folder, const QStringList& args, const QByteArray& input = {},
                     const QString& program = QStringLiteral(ZR7_CLI))
{
    QProcess process;
    process.setWorkingDirectory(folder);
    // Without a controlling terminal, as under cron: nothing is ever asked on the terminal the
    // tests run from.
    process.setChildProcessModifier([] { ::setsid(); });
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    CliRun run{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
               QString::fromUtf8(process.readAllStandardError())};
    // In a sanitized build a report of the child's fails the test, also where the test accepts
    // any exit status.
    if (run.err.contains(QLatin1String("Sanitizer")) ||
        run.err.contains(QLatin1String("runtime error:")))
        QTest::qFail(qPrintable(run.err), __FILE__, __LINE__);
    return run;
}
