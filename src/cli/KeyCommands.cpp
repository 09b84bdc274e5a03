#include "KeyCommands.h"

#include "CliKey.h"
#include "DestinationFile.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "keys/ZR7KeyFrom.h"

#include <cstdio>

namespace {

void PrintLine(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}

int PrintChecksum(QByteArrayView normalizedKey)
{
    QByteArray digest;
    PrintLine(ZR7KeyFrom::ChecksumText(ZR7KeyFrom::KeyChecksum(normalizedKey, digest)));
    digest.fill('\0');
    return ExitStatus::Done;
}

} // namespace

int RunChecksum(QStringList args)
{
    CliKey keyOptions;
    QString error;
    if (!keyOptions.ParseOptions(args, error) || !args.isEmpty()) {
        Messages::PrintUsage(
            error.isEmpty() ? QStringLiteral("Error: unexpected argument ") + args.first() : error);
        return ExitStatus::Refused;
    }
    SecretBytes key;
    if (!keyOptions.Read(key, error)) {
        Messages::Print(error);
        return ExitStatus::Refused;
    }
    return PrintChecksum(key.view());
}

int RunNewKey(QStringList args)
{
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    // A name that begins with "-" is taken for a mistyped option, never made a keyfile.
    if (args.size() != 1 || args.first().startsWith(QLatin1Char('-'))) {
        Messages::PrintUsageError(QStringLiteral("newkey takes one file name, and --force to "
                                                 "replace an existing file."));
        return ExitStatus::Refused;
    }
    DestinationFile keyfile(args.first(), force);
    // A key written over an old one must not be readable by more people than the old one was
    // meant for: the new keyfile is always the user's alone.
    keyfile.target.keepMode = false;
    if (const int refused = keyfile.Check())
        return refused;
    const SecretBytes bytes = ZR7KeyFrom::NewRandomKeyBytes();
    // A view of the secret, not a copy of it.
    const int written = keyfile.Write(QByteArray::fromRawData(bytes.constData(), bytes.size()));
    return written == ExitStatus::Done
               ? PrintChecksum(ZR7KeyFrom::NormalizedKey(bytes.view()).view())
               : written;
}
