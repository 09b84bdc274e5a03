#pragma once

#include "storage/ReplacingWrite.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// A file that a command writes under a name the user gave (a picture, a new keyfile): written
// whole through ReplacingWrite, never over a link, a special file or a file the command reads,
// and over an existing file only with --force.
struct DestinationFile
{
    // `path` as given; `force` allows an existing regular file to be replaced; `reads` are the
    // files the command reads, which are never replaced.
    DestinationFile(const QString& path, bool force, const QStringList& reads = {});

    // Before the work: ExitStatus::Done when the name can take the file, or the exit status
    // after the reason was printed.
    int Check() const;
    // The file with `content`; the exit status, with the reason printed on failure.
    int Write(const QByteArray& content) const;

    QString path;
    ReplacingWrite::Target target;

private:
    int Report(ReplacingWrite::Result result, int error) const;
};
