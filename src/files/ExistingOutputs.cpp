#include "ExistingOutputs.h"

#include "FolderWalk.h"
#include "OutputName.h"
#include "StrProc.h"
#include "folder.h"
#include "support/Interaction.h"

#include <QSet>

namespace folder {

qint64 CountExistingOutputFiles(const QString& inputFolder, const NameFilter& inputFilter,
                                const QString& outputFolder, const QString& outputSpec,
                                QString& errorText, Interaction* interaction)
{
    QString output = outputFolder;
    StrProc::EnsureTrailingBackslash(output);
    QSet<QString> existing;
    bool readable = true;
    errorText.clear();

    // The walk of one folder hands over the very list of files the batch would take.
    WalkCallbacks callbacks;
    callbacks.files = [&](const QString& folderPath, const QStringList& names, const QStringList&) {
        qint64 visited = 0;
        for (const QString& name : names) {
            int code = 0;
            const QString outputName = DeriveOutputName(name, outputSpec, code);
            const QString outputPath = output + outputName;
            if (code >= 0 && outputPath != folderPath + name && FileExists(outputPath))
                existing.insert(outputPath);
            if (interaction && ++visited % 256 == 0)
                interaction->ProcessEvents();
        }
        return true;
    };
    callbacks.failed = [&](const QString&, const QString& error) {
        readable = false;
        errorText = error;
    };
    WalkFolder(inputFolder, inputFilter, false, callbacks);
    return readable ? existing.size() : -1;
}

} // namespace folder
