#pragma once

#include "BatchContext.h"

#include <QString>
#include <QStringList>

#include <ctime>

class Setup;

// One run of the batch driver as it is asked for: the two sides, the function, the switches
// and the thresholds of the anomaly check and the randomness listing. It is fixed when the run
// starts; the driver works from its own copy. The key is not part of it: the file operations
// hold the batch's extended copy.
struct BatchRequest
{
    QString inputFolder;
    QString inputSpec;
    QString outputFolder;
    QString outputSpec;
    bool encrypt = true;
    bool inPlace = false;    // the output files are the input files
    bool subfolders = false; // every lower subfolder too
    bool singleFile = false; // the input specification is one picked file's name
    bool repairable = false; // encryptions write repairable files (parity after the stream)
    int minSizeForRandomness = 256;
    double minRandomness = 0.89;
    // A run of the reliability test: no statistics, no Pause button, and the output names of
    // the last folder are kept in the result for the comparison.
    bool testRun = false;
    // When the operation was begun (ListedFile::BatchBegins): a file changed since is left as
    // it is. tv_sec 0: change times are not looked at.
    struct timespec began = {0, 0};

    // The request for the operation that `setup` describes.
    static BatchRequest Of(const Setup& setup);
};

// How a run ended. The counters say how its files fared.
enum class BatchOutcome {
    Finished,             // every folder was gone through
    Stopped,              // Stop, a full report or the user's answer ended it early
    DuplicateOutputNames, // two input files of a folder would get the same output name
};

// What a run of the batch driver leaves: its outcome and counters, the input size a measuring
// pass added up, and for a reliability test run the output names of the last folder processed,
// in the order the files went through.
struct BatchResult
{
    BatchOutcome outcome = BatchOutcome::Finished;
    BatchCounters counters;
    qint64 totalInputSize = 0;
    QStringList lastOutputNames;
};
