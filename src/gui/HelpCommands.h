#pragma once

#include "DocumentLauncher.h"

#include <QObject>

#include <memory>

class Interaction;
class frmHelp;
class frmMain;

// The main window's ways to help: its help requests open the help window at a section, F1 with
// no command button in focus and "Help" open it at the top, and "Online documentation" opens
// the user guide.
class HelpCommands : public QObject
{
    Q_OBJECT

public:
    HelpCommands(frmMain& main, Interaction& interaction, DocumentLauncher::Opener opener = {});
    ~HelpCommands() override;

    // The help window, made when first needed.
    frmHelp& help();

    // The user guide installed with the program when there is one, otherwise the address of the
    // online manual.
    static QString DocumentationAddress();

    void OpenHelp(int heading);
    void OpenDocumentation();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmMain& m_main;
    DocumentLauncher m_webLink;
    std::unique_ptr<frmHelp> m_help;
};
