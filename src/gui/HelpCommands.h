#pragma once

#include "DocumentLauncher.h"

#include <QObject>

#include <memory>

class Interaction;
class QWidget;
class frmHelp;
class frmReport;

// The main window's ways to help: its help requests open the help window at a section, F1 with
// no command button in focus and "Help" open it at the top, and "Online documentation" opens
// the user guide. The window connects its requests to OpenHelp and OpenDocumentation.
class HelpCommands : public QObject
{
    Q_OBJECT

public:
    // The help window opens over `window`; `report` tells whether a batch runs.
    HelpCommands(QWidget& window, const frmReport& report, Interaction& interaction,
                 DocumentLauncher::Opener opener = {});
    ~HelpCommands() override;

    // The help window, made when first needed.
    frmHelp& help();

    // What "Online documentation" tries in turn: the user guide's web page beside the program or
    // installed with it, when there is one, then the address of the online manual.
    static QStringList DocumentationAddresses();
    // The tool tip of "Online documentation": where it leads.
    static QString DocumentationToolTip();

    void OpenHelp(int heading);
    void OpenDocumentation();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    const frmReport& m_report;
    DocumentLauncher m_webLink;
    std::unique_ptr<frmHelp> m_help;
};
