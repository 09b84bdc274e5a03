#include "ReliabilityTest.h"

#include "ReliabilityTestHost.h"
#include "TestCopies.h"
#include "core/BatchDriver.h"
#include "core/OperationLaunch.h"
#include "core/RunError.h"
#include "core/SetupEditor.h"
#include "files/NameBytes.h"
#include "files/OutputName.h"
#include "files/StrProc.h"
#include "files/folder.h"
#include "keys/GenerateRandomTextKey.h"
#include "keys/Windows1252.h"
#include "keys/ZR7KeyFrom.h"
#include "storage/FileUtility.h"
#include "support/Interaction.h"

#include <QFile>

namespace {

const QString ErrorTitle = QStringLiteral("Error");

// The files of `folderPath` that satisfy `spec`, in the order the folder lists them.
QStringList MatchingFiles(const QString& folderPath, const QString& spec)
{
    QStringList files;
    QStringList subfolders;
    QString errorText;
    folder::ListFolder(folderPath, files, subfolders, errorText);
    QStringList matching;
    for (const QString& name : std::as_const(files)) {
        if (StrProc::FileNameMatchesSpec(name, spec))
            matching.append(name);
    }
    return matching;
}

// `name` as it stands in `folderPath`: names differ by letter case here, and an original
// "A.TST" is what "A.dec" is to be compared with.
QString ExistingName(const QString& folderPath, const QString& name)
{
    if (QFile::exists(folderPath + name))
        return name;
    const QStringList candidates = MatchingFiles(folderPath, name);
    return candidates.isEmpty() ? name : candidates.first();
}

QString ComparisonText(qint64 result)
{
    switch (result) {
    case FileUtility::Identical:
        return QStringLiteral("identical");
    case FileUtility::FirstOpen:
        return QStringLiteral("Unable to open first file.");
    case FileUtility::SecondOpen:
        return QStringLiteral("Unable to open second file.");
    case FileUtility::FirstRead:
        return QStringLiteral("Unable to read first file.");
    case FileUtility::SecondRead:
        return QStringLiteral("Unable to read second file.");
    case FileUtility::FirstEmpty:
        return QStringLiteral("First file is empty.");
    case FileUtility::SecondEmpty:
        return QStringLiteral("Second file is empty.");
    default:
        return result >= 0 ? QStringLiteral("Files differ at byte ") + QString::number(result) +
                                 QLatin1Char('.')
                           : QString();
    }
}

std::string Native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

ReliabilityTest::ReliabilityTest(SetupEditor& editor, BatchDriver& driver, Interaction& interaction,
                                 LaunchHost& launchHost, ReliabilityTestHost& host)
    : m_editor(editor), m_driver(driver), m_interaction(interaction), m_launchHost(launchHost),
      m_host(host)
{
}

void ReliabilityTest::RunReliabilityTest()
{
    const Setup& setup = m_editor.setup();
    m_editor.KeepSetup();
    const QString folder = setup.strDirpath[Setup::Input];
    m_spec = setup.strFilespec[Setup::Input];
    m_editor.UseSides({folder, folder}, {m_spec, m_spec});
    const bool inPlace = setup.blnOutputFilesSame;
    m_host.TestStarted();
    blnReliabilityTestFailed = false;

    bool compared = RestoreUnfinished();
    int run = 1;
    for (; compared; ++run) {
        compared = RunOnce(inPlace, run);
        if (!compared || blnReliabilityTestFailed || run >= intNumReliabilityTests)
            break;
        PauseBeforeNextRun(inPlace);
        if (m_driver.stopRequested()) {
            compared = false;
            break;
        }
        GenerateRandomTextKey(m_editor.key());
    }
    // No comparison came to show what was restored: the report says it at its end.
    if (!m_restoredNote.isEmpty()) {
        try {
            Write(QLatin1Char('\n') + m_restoredNote);
        } catch (const RunError&) {
            // The restored files are in place; only the note is missing from a full report.
        }
        m_restoredNote.clear();
    }

    m_lastOutputNames.clear();
    m_host.RunsEnded();
    // A test cut short by Stop, by a refused launch or by a failed copy says nothing about the
    // runs it did not finish.
    m_passed = compared && !blnReliabilityTestFailed && !m_driver.stopRequested();
    if (m_passed)
        WriteClosingLines(run);
    m_editor.RestoreSetup();
    m_host.TestEnded();
}

// The test files of an interrupted test may still be encrypted under a random key that is
// gone; their copies are the originals, and they go back before anything else happens.
bool ReliabilityTest::RestoreUnfinished()
{
    QString error;
    m_restoredNote.clear();
    if (TestCopies(m_editor.setup().strDirpath[Setup::Input])
            .RestoreUnfinished(m_restoredNote, error))
        return true;
    m_interaction.Tell(ErrorTitle, error, Interaction::Icon::Exclamation);
    return false;
}

bool ReliabilityTest::RunOnce(bool inPlace, int run)
{
    DeleteLeftovers();
    m_editor.SetSwitches(true, inPlace, false);
    const QString firstPart = m_spec.chopped(3);
    m_expected = DecryptedNames(inPlace);
    if (inPlace) {
        if (!CopyToBackups())
            return false;
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1)
                m_editor.ToggleFunction();
            const Step step = Launch();
            if (step == Step::Stopped)
                m_interaction.Tell(
                    QStringLiteral("Reliability test stopped"),
                    QStringLiteral("Since the output files have the same names as the input "
                                   "files, \nit is likely that some of the .tst files will be "
                                   "encrypted \nand some not.  You may wish to set up the .tst "
                                   "files again."),
                    Interaction::Icon::Information);
            if (step != Step::Done)
                return false;
        }
    } else {
        SetSpecs(m_spec, firstPart + QStringLiteral("enc"));
        if (Launch() != Step::Done)
            return false;
        m_editor.ToggleFunction();
        SetSpecs(firstPart + QStringLiteral("enc"), firstPart + QStringLiteral("dec"));
        if (Launch() != Step::Done)
            return false;
    }
    if (afterDecryption)
        afterDecryption();
    intReliabilityTestNum = run;
    FileComparison(inPlace ? QStringLiteral("bak") : QStringLiteral("tst"));
    // Only copies proven identical with their decrypted originals are no longer needed.
    if (inPlace && !blnReliabilityTestFailed)
        TestCopies(m_editor.setup().strDirpath[Setup::Input]).Compared();
    return true;
}

ReliabilityTest::Step ReliabilityTest::Launch()
{
    OperationLaunch launch(m_editor.setup(), m_editor.key(), m_interaction, m_driver, m_launchHost);
    launch.blnTestMode = true;
    const OperationLaunch::Outcome outcome = launch.DoIt();
    if (outcome == OperationLaunch::Outcome::Ran)
        m_lastOutputNames = launch.result().lastOutputNames;
    if (outcome == OperationLaunch::Outcome::Ran && m_driver.stopRequested())
        return Step::Stopped;
    // Refused with its message, whether in the disk checks or before them.
    if (outcome != OperationLaunch::Outcome::Ran || launch.blnLaunchAbandoned)
        return Step::Abandoned;
    return Step::Done;
}

void ReliabilityTest::DeleteLeftovers() const
{
    const QString& folder = m_editor.setup().strDirpath[Setup::Input];
    for (const QString& name : MatchingFiles(folder, QStringLiteral("*.*"))) {
        const QString extension = StrProc::ExtensionPart(name);
        // What cannot be deleted is overwritten or compared later. The .bak copies may be
        // the only originals left; they are replaced only after a check.
        if (extension == QLatin1String("enc") || extension == QLatin1String("dec"))
            QFile::remove(folder + name);
    }
}

bool ReliabilityTest::CopyToBackups() const
{
    const QString& folder = m_editor.setup().strDirpath[Setup::Input];
    const QString backupSpec = m_spec.chopped(3) + QStringLiteral("bak");
    QList<TestCopies::Pair> pairs;
    bool named = true;
    for (const QString& name : MatchingFiles(folder, m_spec)) {
        int code = 0;
        const QString backup = DeriveOutputName(name, backupSpec, code);
        named = named && !backup.isEmpty();
        pairs.append({name, backup});
    }
    QString refusal;
    if (named && TestCopies(folder).Make(pairs, refusal))
        return true;
    m_interaction.Tell(ErrorTitle,
                       refusal.isEmpty()
                           ? QStringLiteral("Unable to copy specified .tst files to .bak files.")
                           : refusal,
                       Interaction::Icon::Exclamation);
    return false;
}

// The names of the decrypted files, one for each test file found at the start of the run.
QStringList ReliabilityTest::DecryptedNames(bool inPlace) const
{
    QStringList names = MatchingFiles(m_editor.setup().strDirpath[Setup::Input], m_spec);
    if (!inPlace) {
        const QString firstPart = m_spec.chopped(3);
        for (QString& name : names) {
            int code = 0;
            name = DeriveOutputName(DeriveOutputName(name, firstPart + QStringLiteral("enc"), code),
                                    firstPart + QStringLiteral("dec"), code);
        }
    }
    return names;
}

void ReliabilityTest::SetSpecs(const QString& input, const QString& output)
{
    const Setup& setup = m_editor.setup();
    m_editor.UseSides(setup.strDirpath, {input, output});
}

void ReliabilityTest::PauseBeforeNextRun(bool inPlace)
{
    try {
        Write(QStringLiteral("\nOK so far ... "));
    } catch (const RunError&) {
        // A full report only misses this notice; the next run starts a new one.
    }
    m_host.WaitBeforeNextRun(!inPlace);
}

void ReliabilityTest::FileComparison(const QString& extension)
{
    m_host.ComparisonStarted();
    ReportText& report = m_driver.report();
    report.Clear();
    report.quiet = false;
    // A test file whose decrypted file the last operation did not make is compared too: its
    // comparison fails.
    QStringList names = m_lastOutputNames;
    for (const QString& name : std::as_const(m_expected)) {
        if (!names.contains(name))
            names.append(name);
    }
    m_expected.clear();
    m_numFiles = names.size();
    const QString& folder = m_editor.setup().strDirpath[Setup::Output];
    try {
        WriteHeader();
        Write(QStringLiteral("\n\n") + m_restoredNote);
        m_restoredNote.clear();
        for (const QString& name : names) {
            const QString first = ExistingName(folder, name.chopped(3) + extension);
            Write(NameBytes::Shown(first) + QStringLiteral(", ") + NameBytes::Shown(name) +
                  QStringLiteral(": "));
            const qint64 result =
                FileUtility::compare_files(Native(folder + first), Native(folder + name));
            Write(ComparisonText(result) + QLatin1Char('\n'));
            m_interaction.ProcessEvents();
            if (result != FileUtility::Identical) {
                QString codes;
                for (const char c : std::as_const(m_editor.key().strRawKeyText))
                    codes += QString::number(static_cast<unsigned char>(c)) + QLatin1Char(' ');
                Write(QStringLiteral("Reliability test failed.\nAscii values of bytes in key:\n") +
                      codes + QLatin1Char('\n'));
                blnReliabilityTestFailed = true;
                m_driver.StopAtNextFile();
                break;
            }
        }
        if (m_numFiles > 11) {
            Write(QStringLiteral("\n"));
            WriteHeader();
        }
    } catch (const RunError& error) {
        m_interaction.Tell(ErrorTitle, error.description(), Interaction::Icon::Exclamation);
        blnReliabilityTestFailed = true;
    }
    m_lastOutputNames.clear();
}

void ReliabilityTest::WriteHeader()
{
    QString header;
    if (intNumReliabilityTests > 1)
        header = QStringLiteral("Reliability test #") + QString::number(intReliabilityTestNum) +
                 QStringLiteral(" of ") + QString::number(intNumReliabilityTests) +
                 QLatin1Char('\n');
    header += QString::number(m_numFiles) + QStringLiteral(" test file") +
              (m_numFiles == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" in ") +
              m_editor.setup().strDirpath[Setup::Output] + QLatin1Char('\n');
    const QByteArrayView raw = m_editor.key().strRawKeyText.view();
    header += QString::number(raw.size()) + QStringLiteral("-byte ") +
              (ZR7KeyFrom::KeyIsText(raw)
                   ? QStringLiteral("text key: ") + Windows1252::ToUnicode(raw.toByteArray())
                   : QStringLiteral("non-text key"));
    Write(header);
}

void ReliabilityTest::WriteClosingLines(int runs)
{
    try {
        // After a repeated header the last line still needs its end.
        if (m_numFiles > 11)
            Write(QStringLiteral("\n"));
        Write(QStringLiteral("\nThe reliability test was performed ") + PerformedText(runs) +
              QStringLiteral(".\nAll decrypted files were found to be identical with the "
                             "original files."));
    } catch (const RunError& error) {
        m_interaction.Tell(ErrorTitle, error.description(), Interaction::Icon::Exclamation);
    }
}

QString ReliabilityTest::PerformedText(int runs)
{
    if (runs == 1)
        return QStringLiteral("once");
    if (runs == 2)
        return QStringLiteral("twice");
    return QString::number(runs) + QStringLiteral(" times");
}

void ReliabilityTest::Write(const QString& text)
{
    m_driver.report().AppendToReport(text, true);
}
