#include "TestCommand.h"

#include "CliInteraction.h"
#include "CliKey.h"
#include "CliReportView.h"
#include "CommandLine.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "StopSignals.h"
#include "analysis/ReliabilityTest.h"
#include "analysis/ReliabilityTestHost.h"
#include "core/BatchDriver.h"
#include "core/LaunchHost.h"
#include "core/OperationLaunch.h"
#include "core/SetupEditor.h"
#include "files/StrProc.h"
#include "storage/FileCipher.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

constexpr int MaxRuns = 32767;

// "Do it!" on the command line offers the test and the test runs at once; between runs the
// report so far is printed and the next run starts without waiting.
class CliTestHost : public LaunchHost, public ReliabilityTestHost
{
public:
    CliTestHost(SetupEditor& editor, CliReportView& view) : m_editor(editor), m_view(view) {}

    ReliabilityTest* test = nullptr;

    void SwitchToInPlace() override { m_editor.SetOutputFilesSame(true); }
    TestChoice OfferReliabilityTest() override
    {
        test->RunReliabilityTest();
        return TestChoice::Ran;
    }
    // The test launches without confirmation; anything else is not what "test" was asked for.
    bool Confirm(const QString&, const QString&) override { return false; }
    void ShowReport(const QString&) override {}

    void WaitBeforeNextRun(bool) override
    {
        m_view.Flush();
        std::fputs("\n", stdout);
    }

private:
    SetupEditor& m_editor;
    CliReportView& m_view;
};

bool ParseOptions(QStringList args, QString& folderPath, int& runs, bool& inPlace, QString& error)
{
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--runs")) {
            bool ok = false;
            runs = args.isEmpty() ? 0 : args.takeFirst().toInt(&ok);
            if (!ok || runs < 1 || runs > MaxRuns) {
                error = QStringLiteral("--runs needs a number from 1 to %1.").arg(MaxRuns);
                return false;
            }
        } else if (arg == QLatin1String("--in-place")) {
            inPlace = true;
        } else if (CommandLine::IsOption(arg) || !folderPath.isEmpty()) {
            error = QStringLiteral("unexpected argument ") + arg;
            return false;
        } else {
            folderPath = arg;
        }
    }
    if (folderPath.isEmpty()) {
        error = QStringLiteral("no folder given.");
        return false;
    }
    folderPath = QDir::cleanPath(QFileInfo(folderPath).absoluteFilePath());
    StrProc::EnsureTrailingBackslash(folderPath);
    if (!folderPath.endsWith(QLatin1String("/zr7test/"))) {
        error = QStringLiteral("the reliability test runs on the .tst files of a folder named "
                               "zr7test.");
        return false;
    }
    return true;
}

} // namespace

int RunTest(QStringList args)
{
    CliKey keyOptions;
    QString error;
    QString folderPath;
    int runs = 1;
    bool inPlace = false;
    if (!keyOptions.ParseOptions(args, error)) {
        Messages::PrintUsage(error);
        return ExitStatus::Refused;
    }
    if (!ParseOptions(args, folderPath, runs, inPlace, error)) {
        Messages::PrintUsageError(error);
        return ExitStatus::Refused;
    }

    CliInteraction interaction;
    SetupEditor editor(interaction);
    const QString spec = QStringLiteral("*.tst");
    editor.UseSides({folderPath, folderPath}, {spec, spec});
    editor.SetSwitches(true, inPlace, false);
    KeyRecord& key = editor.key();
    if (!keyOptions.Read(key.strKey, error, true, &key.strRawKeyText)) {
        Messages::Print(error);
        key.EraseKey();
        return ExitStatus::Refused;
    }
    key.intKeySource = keyOptions.keyFile().isEmpty() ? KeyRecord::Keyboard : KeyRecord::Keyfile;

    FileCipher engine;
    if (!engine.allocate_buffers()) {
        Messages::Print(
            QStringLiteral("Fatal error: Attempt to allocate buffers was unsuccessful!"));
        key.EraseKey();
        return ExitStatus::Failed;
    }
    BatchDriver driver(key, engine, interaction);
    CliReportView view(driver.report());
    driver.SetView(&view);
    interaction.onInterrupt = [&driver] { driver.StopAtNextFile(); };
    StopSignals::StopAfterCurrentFile();

    CliTestHost host(editor, view);
    ReliabilityTest test(editor, driver, interaction, host, host);
    test.intNumReliabilityTests = runs;
    host.test = &test;
    OperationLaunch launch(editor.setup(), key, interaction, driver, host);
    const OperationLaunch::Outcome outcome = launch.DoIt();
    view.Flush();
    if (!driver.report().isEmpty() && !driver.report().text().endsWith(QLatin1Char('\n')))
        std::fputs("\n", stdout);
    key.EraseKey();
    engine.deallocate_buffers();
    if (StopSignals::Requested())
        return ExitStatus::Interrupted;
    if (outcome != OperationLaunch::Outcome::TestRan)
        return ExitStatus::Refused;
    return test.passed() ? ExitStatus::Done : ExitStatus::Failed;
}
