#pragma once

#include <QString>

// The operation in progress, as the report window holds it: a copy of the file specification
// taken at launch, what kind of run it is, and the flags the batch reads between files.
struct RunState
{
    QString strInputDirpath;
    QString strInputFilespec;
    QString strOutputDirpath;
    QString strOutputFilespec;
    bool blnPerformingOperation = false;
    bool blnRandomnessReport = false;
    bool blnGettingInputFilesizes = false;
    qint64 lngTotalInputFilesize = 0;
    int intOperationResult = 0; // -1: two input files would get the same output name
    bool blnStop = false;
    QString strNextDirPath;
    QString strCurrentFileSpec;
};
