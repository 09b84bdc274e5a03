#pragma once

#include <QList>
#include <QString>

struct BatchContext;

// The report lines of a group of small new outputs that take their names together (see
// FileCipher::hold_outputs): a line says where its output went only once the output is on the
// disk. While a group is open the report holds its per-file results back (ReportText::Hold);
// Commit() makes the group durable, puts each failed member's failure in place of its result,
// takes that file off the counters of files done, and lets the lines out.
class HeldOutputs
{
public:
    // Files below this size wait in a group. A larger file's flush costs little beside writing
    // its data, and its line shows its progress: it takes its name alone.
    static constexpr qint64 GroupedBelow = 1 << 20;

    explicit HeldOutputs(BatchContext& context) : c(context) {}

    // Before the next file of the batch, of `size` bytes: whether its output may wait in the
    // group (`newOutput`: the batch writes new outputs). One that may not commits the group
    // first and is reported as it goes.
    void Before(qint64 size, bool newOutput);
    // The file whose result text starts at `at` in the held text has its output in the group.
    void Noted(qsizetype at, const QString& inputPath, qint64 size);
    // Its result text ends at `end`.
    void NotedEnd(qsizetype end);

    // Commits the group when it is due (OutputGroup::due).
    void CommitIfDue();
    // Commits the group now and lets the lines out; holding goes on as it was, for the file
    // under way (its questions come after the lines before it).
    void Commit();
    // Commits the group and stops holding: the folder is done, or the batch ends.
    void Finish();

private:
    struct Member
    {
        qsizetype at = 0;
        qsizetype length = -1; // -1: no result text to mend
        QString inputPath;
        qint64 size = 0;
    };

    BatchContext& c;
    QList<Member> m_members;
};
