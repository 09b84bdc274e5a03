#include "BatchEndNotice.h"

#include "core/BatchRequest.h"
#include "support/TxtEncDec.h"

namespace {

QString EndWord(BatchOutcome outcome)
{
    switch (outcome) {
    case BatchOutcome::Finished:
        return QStringLiteral("finished");
    case BatchOutcome::Stopped:
    case BatchOutcome::DuplicateOutputNames:
        return QStringLiteral("stopped");
    }
    return QString();
}

} // namespace

bool BatchEndNotice::Wanted(qint64 msecs, bool watched)
{
    return msecs >= LongBatchMsecs && !watched;
}

QString BatchEndNotice::Summary()
{
    return QStringLiteral("Revarodevaza ZR7");
}

QString BatchEndNotice::Body(bool encrypt, const BatchResult& result)
{
    const BatchCounters& counters = result.counters;
    // A file whose report line was started and that is not done failed, or was refused.
    const qint64 failed = counters.filesProcessed - counters.filesDone;
    return TxtEncDec(QStringLiteral("Encryption"), encrypt) + QLatin1Char(' ') +
           EndWord(result.outcome) + QStringLiteral(": ") + QString::number(counters.filesDone) +
           (counters.filesDone == 1 ? QStringLiteral(" file ") : QStringLiteral(" files ")) +
           TxtEncDec(QStringLiteral("encrypted"), encrypt) + QStringLiteral(", ") +
           QString::number(failed) + QStringLiteral(" failed.");
}
