#pragma once

#include <QStringList>

#include <functional>

class BatchDriver;
class Interaction;
class LaunchHost;
class ReliabilityTestHost;
class SetupEditor;

// The reliability test: each run encrypts the .tst files of a "zr7test" folder, decrypts them
// and compares every decrypted file byte by byte with its original, first with the key in
// force and then with a fresh random key for every later run. In place, the originals are
// first copied to .bak files; otherwise the files go to .enc and then .dec files beside them.
// Originals that an interrupted test left only in their .bak copies are restored first.
// Each encryption and decryption is an ordinary "Do it!" with the test mode on, shown in the
// report; the test stops at the first difference and lists the key's character codes. At the
// end the setup that stood before the test comes back and the key is no longer specified.
class ReliabilityTest
{
public:
    ReliabilityTest(SetupEditor& editor, BatchDriver& driver, Interaction& interaction,
                    LaunchHost& launchHost, ReliabilityTestHost& host);

    void RunReliabilityTest();

    // Compares the output files of the last operation with their originals: the name of each
    // with its last three characters replaced by `extension`.
    void FileComparison(const QString& extension);

    int intNumReliabilityTests = 1;
    int intReliabilityTestNum = 0;
    bool blnReliabilityTestFailed = false;

    // Every run compared its files and found them identical; false after a difference, a
    // stop or an operation abandoned at launch.
    bool passed() const { return m_passed; }

    // Runs after each decryption, before the comparison (tests damage a decrypted file here).
    std::function<void()> afterDecryption;

    // "The reliability test was performed once", "twice", "3 times", ...
    static QString PerformedText(int runs);

private:
    enum class Step { Done, Stopped, Abandoned };

    bool RestoreUnfinished();
    bool RunOnce(bool inPlace, int run);
    Step Launch();
    void DeleteLeftovers() const;
    bool CopyToBackups() const;
    QStringList DecryptedNames(bool inPlace) const;
    void SetSpecs(const QString& input, const QString& output);
    void PauseBeforeNextRun(bool inPlace);
    void WriteHeader();
    void WriteClosingLines(int runs);
    void Write(const QString& text);

    SetupEditor& m_editor;
    BatchDriver& m_driver;
    Interaction& m_interaction;
    LaunchHost& m_launchHost;
    ReliabilityTestHost& m_host;
    bool m_passed = false;
    QString m_spec;           // the input specification of the test files
    qsizetype m_numFiles = 0; // files in the comparison
    QStringList m_expected;   // the decrypted files that the run is to make
    // The output names of the last folder the last launch processed, in the order the files
    // went through.
    QStringList m_lastOutputNames;
    QString m_restoredNote; // originals restored before the test, for its report
};
