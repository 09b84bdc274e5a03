#pragma once

#include <QString>
#include <QtGlobal>

struct BatchResult;

// Where the end of a long batch is announced when the user has turned to another program: the
// desktop's notifications, or in tests a record of what was sent. A notice that cannot be shown
// is dropped without a word: the report window still holds the whole account.
class BatchEndNotice
{
public:
    virtual ~BatchEndNotice() = default;

    virtual void Send(const QString& summary, const QString& body) = 0;

    // A batch at least this long is one the user may have left to run on its own.
    static constexpr qint64 LongBatchMsecs = 10000;

    // True when the end of a batch that ran `msecs` is announced: it was long, and the user is
    // not looking at the main window or the report window (`watched`), which say it already.
    static bool Wanted(qint64 msecs, bool watched);

    // The notice's title: the program's name.
    static QString Summary();
    // The function, how the batch ended and the counts of its closing statistics, e.g.
    // «Encryption finished: 12 files encrypted, 1 failed.».
    static QString Body(bool encrypt, const BatchResult& result);
};
