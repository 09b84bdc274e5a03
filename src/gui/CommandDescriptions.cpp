#include "CommandDescriptions.h"

#include <QPushButton>

void CommandDescriptions::Apply(QWidget& window)
{
    const struct
    {
        const char* command;
        const char* description;
    } descriptions[] = {
        {"cmdFunction", QT_TR_NOOP("Switches between encryption and decryption.")},
        {"cmdSingleFile", QT_TR_NOOP("Picks one file to work on; its folder becomes the input "
                                     "folder.")},
        {"cmdSpecifyDirectory0", QT_TR_NOOP("Chooses the folder that holds the files to be "
                                            "encrypted or decrypted.")},
        {"cmdSpecifyFiles0", QT_TR_NOOP("Chooses which files of the input folder to work on.")},
        {"cmdSubdirectories", QT_TR_NOOP("Switches whether the operation also covers the "
                                         "matching files in the subfolders of the input folder.")},
        {"cmdOutputFilesSame", QT_TR_NOOP("Switches whether every input file is replaced by its "
                                          "result.")},
        {"cmdSpecifyDirectory1", QT_TR_NOOP("Chooses the folder the results are written to.")},
        {"cmdSpecifyFiles1", QT_TR_NOOP("Chooses how the results are named.")},
        {"cmdKeyFrom", QT_TR_NOOP("Opens the choices for supplying the key: typed, from a "
                                  "keyfile or made at random.")},
        {"cmdDoIt", QT_TR_NOOP("Checks the setup, describes the operation and performs it when "
                               "you answer Yes.")},
        {"cmdReportScreen", QT_TR_NOOP("Shows the report of the last operation again.")},
        {"cmdRandomnessReport", QT_TR_NOOP("Tells whether the input or the output files look "
                                           "encrypted.")},
        {"cmdSetup", QT_TR_NOOP("Saves, loads, clears and restores the setup.")},
        {"cmdHelp", QT_TR_NOOP("Opens the help. F1 on a command opens it at that command's "
                               "section.")},
        {"cmdQuit", QT_TR_NOOP("Ends the program; the key is wiped from memory first.")},
    };
    for (const auto& entry : descriptions) {
        auto* command = window.findChild<QPushButton*>(QString::fromLatin1(entry.command));
        Q_ASSERT(command != nullptr);
        if (command != nullptr)
            command->setAccessibleDescription(tr(entry.description));
    }
}
