#include "DestinationFile.h"

#include "ExitStatus.h"
#include "Messages.h"

#include <QFile>

#include <cstdio>
#include <cstring>

DestinationFile::DestinationFile(const QString& path, bool force, const QStringList& reads)
    : path(path)
{
    target.path = QFile::encodeName(path).toStdString();
    target.replace = force;
    for (const QString& read : reads)
        target.protect.push_back(QFile::encodeName(read).toStdString());
}

int DestinationFile::Report(ReplacingWrite::Result result, int error) const
{
    using Result = ReplacingWrite::Result;
    switch (result) {
    case Result::Written:
        return ExitStatus::Done;
    case Result::Exists:
        Messages::Print(QStringLiteral("File exists already.: ") + path +
                        QStringLiteral(" is not overwritten; add --force to replace it."));
        return ExitStatus::Refused;
    case Result::NotRegular:
        Messages::PrintError(
            path + QStringLiteral(" is a symbolic link or not a regular file; it is never "
                                  "replaced."));
        return ExitStatus::Refused;
    case Result::Protected:
        Messages::PrintError(path +
                             QStringLiteral(" is a file that this command reads; it is never "
                                            "replaced."));
        return ExitStatus::Refused;
    case Result::Failed:
        break;
    }
    Messages::PrintError(QStringLiteral("Cannot write ") + path + QStringLiteral(": ") +
                         QString::fromLocal8Bit(std::strerror(error)));
    return ExitStatus::Failed;
}

int DestinationFile::Check() const
{
    int error = 0;
    return Report(ReplacingWrite::check(target, error), error);
}

int DestinationFile::Write(const QByteArray& content) const
{
    int error = 0;
    return Report(ReplacingWrite::writeBytes(target, content.constData(),
                                             static_cast<std::size_t>(content.size()), error),
                  error);
}
