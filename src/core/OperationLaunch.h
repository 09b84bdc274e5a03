#pragma once

#include "BatchRequest.h"

#include <QString>

#include <functional>

class BatchDriver;
class Interaction;
class LaunchHost;
class Setup;
struct KeyRecord;

// "Do it!": checks the setup in a fixed order and stops at the first problem with a message,
// asks for confirmation with a description of the operation (which counts the existing files
// that new output files would replace), estimates the disk space that new output files need,
// extends a short key to 64 characters and runs the batch.
class OperationLaunch
{
public:
    enum class Outcome {
        Refused,   // a check failed; its message was shown
        Cancelled, // the user said No, or cancelled the reliability test
        TestRan,   // the reliability test ran instead
        Ran,       // the batch ran
    };

    OperationLaunch(const Setup& setup, KeyRecord& key, Interaction& interaction,
                    BatchDriver& driver, LaunchHost& host);

    Outcome DoIt();
    // The result of the batch that ran, or of the measuring pass that refused it.
    const BatchResult& result() const { return m_result; }

    // Set while the reliability test drives the launch: no confirmation, and failed disk
    // checks are noted in `blnLaunchAbandoned`.
    bool blnTestMode = false;
    bool blnLaunchAbandoned = false;

    // Free bytes of the file system that holds a path; tests replace it. 0, or -1 when the
    // file system cannot be queried.
    std::function<int(const QString& path, double& bytesAvailable)> freeSpace;

    // The message when `neededBytes` do not fit into `availableKB`, e.g. «Estimated space
    // required on drive /safe/ is 900 KB, but there is only 700 KB available.».
    static QString InsufficientSpaceText(const QString& drive, double neededBytes,
                                         double availableKB);

private:
    bool CheckInput();
    bool IsReliabilityTestFolder() const;
    bool CheckOutput();
    void PrepareKey();
    bool Confirmed();
    bool CheckDiskSpace(const BatchRequest& request);

    const Setup& m_setup;
    KeyRecord& m_key;
    Interaction& m_interaction;
    BatchDriver& m_driver;
    LaunchHost& m_host;
    qint64 m_matchingFiles = 0;
    BatchResult m_result;
};
