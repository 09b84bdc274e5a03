#include "KeyCommands.h"

#include "CliKey.h"
#include "ExitStatus.h"
#include "keys/ZR7KeyFrom.h"

#include <QFileInfo>

#include <cstdio>

namespace {

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stream);
}

int PrintChecksum(const QByteArray& normalizedKey)
{
    QByteArray digest;
    Print(stdout, ZR7KeyFrom::ChecksumText(ZR7KeyFrom::KeyChecksum(normalizedKey, digest)));
    digest.fill('\0');
    return ExitStatus::Done;
}

} // namespace

int RunChecksum(QStringList args)
{
    CliKey keyOptions;
    QString error;
    if (!keyOptions.ParseOptions(args, error) || !args.isEmpty()) {
        Print(stderr, error.isEmpty() ? QStringLiteral("Error: unexpected argument ") + args.first()
                                      : error);
        return ExitStatus::Refused;
    }
    QByteArray key;
    if (!keyOptions.Read(key, error)) {
        Print(stderr, error);
        return ExitStatus::Refused;
    }
    const int status = PrintChecksum(key);
    key.fill('\0');
    return status;
}

int RunNewKey(QStringList args)
{
    if (args.size() != 1) {
        Print(stderr, QStringLiteral("Error: newkey takes one file name."));
        return ExitStatus::Refused;
    }
    const QString path = args.first();
    if (QFileInfo::exists(path)) {
        Print(stderr, QStringLiteral("File exists already.: ") + path +
                          QStringLiteral(" is not overwritten; choose a new file name."));
        return ExitStatus::Refused;
    }
    QByteArray bytes = ZR7KeyFrom::NewRandomKeyBytes();
    QString error;
    if (!ZR7KeyFrom::WriteKeyfile(path, bytes, error, true)) {
        Print(stderr, QStringLiteral("Keyfile error: ") + error);
        bytes.fill('\0');
        return ExitStatus::Failed;
    }
    QByteArray key = ZR7KeyFrom::NormalizedKey(bytes);
    bytes.fill('\0');
    const int status = PrintChecksum(key);
    key.fill('\0');
    return status;
}
