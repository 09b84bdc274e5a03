#pragma once

#include <QString>

// What a launch needs from the front end that starts it: the windows answer with the main
// window, the confirmation window and the report window; the command line with its options
// and the terminal.
class LaunchHost
{
public:
    enum class TestChoice { Cancelled, Ran, NormalEncryption };

    virtual ~LaunchHost() = default;

    // The output side equals the input side: the output files become the input files, through
    // SetupEditor::SetOutputFilesSame(true) on the setup the launch reads.
    virtual void SwitchToInPlace() = 0;

    // The input is the reliability test folder: the test may run instead.
    virtual TestChoice OfferReliabilityTest() { return TestChoice::NormalEncryption; }

    // Shows the description of the operation with the question; true when the user says Yes.
    virtual bool Confirm(const QString& description, const QString& question) = 0;

    // The report window takes `caption` and comes into view as the batch starts.
    virtual void ShowReport(const QString& caption) = 0;
};
