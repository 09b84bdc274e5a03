#pragma once

#include "analysis/RandomnessReport.h"
#include "analysis/RandomnessView.h"

#include <memory>

class BatchDriver;
class CommandWindow;
class Interaction;
class QLabel;
class QPushButton;
class SetupEditor;
class SetupPanel;
class frmGraphic;
class frmReport;

// The main window's "Randomness report": a panel that offers the input or the output files of
// the setup, then the report on the side chosen, in the single-file window or as a listing in
// the report window.
class RandomnessCommands : private RandomnessView
{
public:
    // `command` is the "Randomness report" button, which the panel opens beside; the report
    // runs on `editor`'s setup through `driver`, and its listing shows in `report`.
    RandomnessCommands(CommandWindow& window, QPushButton& command, SetupEditor& editor,
                       BatchDriver& driver, frmReport& report, Interaction& interaction);
    ~RandomnessCommands() override;

    // "Randomness report": opens the panel, or says that neither side is specified.
    void cmdRandomnessReport_Click();

    RandomnessReport& report() { return m_report; }
    // The single-file window, once it has been used.
    frmGraphic* graphic() const { return m_graphic; }

    // The choice panel: "Input file(s)", "Output file(s)", "Not now".
    SetupPanel* picRandomnessReport = nullptr;
    QPushButton* cmdInputFiles = nullptr;
    QPushButton* cmdOutputFiles = nullptr;
    QPushButton* cmdNoRandomnessReport = nullptr;

private:
    // RandomnessView
    void CloseChoices() override;
    void ShowChecking(bool shown) override;
    void ShowSingleFile(const SingleFileFigures& figures) override;
    void ShowReportWindow(const QString& caption) override;

    void Choose(int side);
    void cmdNoRandomnessReport_Click();
    void SetFramesEnabled(bool enabled);
    QLabel* CheckingLabel();

    CommandWindow& m_window;
    QPushButton& m_command;
    SetupEditor& m_editor;
    frmReport& m_reportWindow;
    Interaction& m_interaction;
    RandomnessReport m_report;
    frmGraphic* m_graphic = nullptr;
};
