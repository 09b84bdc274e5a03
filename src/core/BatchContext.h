#pragma once

#include <QtGlobal>

#include <functional>

class HeldOutputs;
class Interaction;
class PurgeAdviceDialogs;
class ReportText;
class ReportView;
class ZR7FileOps;
struct BatchRequest;
struct KeyRecord;

// The counters of one batch, printed in its closing statistics.
struct BatchCounters
{
    qint64 filesProcessed = 0; // a file's report line was started
    qint64 filesDone = 0;      // result 0: the result is under the file's name
    qint64 bytesDone = 0;      // the input sizes of the files done
    qint64 lineCount = 0;      // report lines written by this batch
    qint64 foldersNotRead = 0; // folders of the tree that could not be listed
    double pausedSeconds = 0;  // paused, or waiting in the purge dialogs
};

// Everything the steps of a batch share: the request and key it runs with, where it reports,
// and its counters. The batch driver owns it.
struct BatchContext
{
    const BatchRequest& request;
    const KeyRecord& key;
    Interaction& interaction;
    ReportText& report;
    ZR7FileOps& ops;
    ReportView* view = nullptr;
    PurgeAdviceDialogs* advice = nullptr;
    BatchCounters counters;
    // The purge advice before an input file is purged: on at the start of every batch, off
    // once the user has answered it for the rest of the batch.
    bool showPurgeWarning = true;
    // Seconds since midnight, from the clock the batch times itself with.
    std::function<double()> secondsNow;
    // Ends the batch as the Stop button does.
    std::function<void()> stop;
    // The report lines of outputs that take their names in groups.
    HeldOutputs* held = nullptr;

    // Seconds from `start` to now on the clock above; a batch may cross midnight.
    double SecondsSince(double start) const;
};
