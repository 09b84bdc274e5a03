#include "FolderRandomness.h"

#include "core/BatchContext.h"
#include "core/ReportText.h"
#include "core/RunError.h"
#include "core/RunSteps.h"
#include "core/Setup.h"
#include "files/FolderWalk.h"
#include "files/NameBytes.h"
#include "files/StrProc.h"
#include "support/FileRandomness.h"
#include "support/SizeText.h"

#include <QFile>
#include <QFileInfo>

FolderRandomness::FolderRandomness(RunSteps& steps, const Setup& setup)
    : measure(&FolderRandomness::FileRandomness), m_steps(steps), m_setup(setup)
{
}

FileRandomness::RandomnessValue FolderRandomness::FileRandomness(const QString& path, int minSize)
{
    return FileRandomness::fr(QFile::encodeName(path).toStdString(), minSize);
}

QString FolderRandomness::FileLine(const std::optional<FileRandomness::RandomnessValue>& value,
                                   const QString& fileName, qint64 size, double threshold)
{
    const QLocale locale = StrProc::NumberLocale();
    const bool measured = value && value->measured();
    QString line;
    if (!value)
        line = QStringLiteral("     ");
    else if (measured)
        line = locale.toString(value->value, 'f', 3);
    else
        line =
            QLatin1Char('[') + QString::number(static_cast<int>(value->error)) + QLatin1Char(']');
    line += measured && value->value > threshold ? QStringLiteral(" * ") : QStringLiteral("   ");
    return line + NameBytes::Shown(fileName) + QStringLiteral(" (") + locale.toString(size) +
           QStringLiteral(" bytes)   ");
}

void FolderRandomness::ReportFolderRandomness(const QString& folderPath, const QString& fileSpec)
{
    folder::WalkCallbacks callbacks;
    callbacks.listed = [&](const folder::ListedFolder& found) { return ListFiles(found); };
    // A folder that cannot be read is named and skipped, as in a batch; the listing goes on.
    callbacks.failed = [&](const QString& path, const QString& errorText) {
        ++m_steps.runCounters().foldersNotRead;
        m_steps.RunStep([&] {
            throw RunError(RunError::Kind::Other, QStringLiteral("Cannot read the folder ") +
                                                      NameBytes::Shown(path) +
                                                      QStringLiteral(": ") + errorText);
        });
    };
    callbacks.stopRequested = [&] { return m_steps.PauseAndStopCheck(); };
    folder::WalkFolder(folderPath, fileSpec, m_setup.blnSubdirectories, callbacks);
}

bool FolderRandomness::ListFiles(const folder::ListedFolder& found)
{
    const QString& folderPath = found.path;
    const QStringList& names = found.names;
    if (names.isEmpty() && found.unreadable.isEmpty() && found.unreadableFolders.isEmpty())
        return true;
    BatchCounters& counters = m_steps.runCounters();
    ReportText& report = m_steps.report();
    if (!m_steps.RunStep([&] {
            report.Write(NameBytes::Shown(folderPath) + QLatin1Char('\n'));
            ++counters.lineCount;
        }))
        return false;
    for (const QString& name : names) {
        if (!ListOneFile(folderPath, name) || m_steps.PauseAndStopCheck())
            return false;
    }
    // Named, so that the listing accounts for every matching file and every subfolder, but
    // never opened.
    for (const QString& name : found.unreadable) {
        ++counters.filesProcessed;
        if (!ListNotRead(name))
            return false;
    }
    for (const QString& name : found.unreadableFolders) {
        ++counters.foldersNotRead;
        if (!ListNotRead(name))
            return false;
    }
    return m_steps.RunStep([&] {
        report.Write(QStringLiteral("\n"));
        ++counters.lineCount;
    });
}

bool FolderRandomness::ListNotRead(const QString& name)
{
    return m_steps.RunStep([&] {
        m_steps.report().AppendToReport(QString(8, QLatin1Char(' ')) + name +
                                            QStringLiteral(" (not read: ") +
                                            folder::UnreadableNameText() + QStringLiteral(")\n"),
                                        true);
        ++m_steps.runCounters().lineCount;
    });
}

bool FolderRandomness::ListOneFile(const QString& folderPath, const QString& name)
{
    BatchCounters& counters = m_steps.runCounters();
    ++counters.filesProcessed;
    const QString path = folderPath + name;
    const qint64 size = QFileInfo(path).size();
    // A file below the minimum size is listed, not measured.
    std::optional<FileRandomness::RandomnessValue> value;
    if (size >= m_setup.intMinFilesizeForRandomness)
        value = measure(path, m_setup.intMinFilesizeForRandomness);
    return m_steps.RunStep([&] {
        m_steps.report().AppendToReport(
            FileLine(value, name, size, m_setup.dblMinZR7Randomness) + QLatin1Char('\n'), true);
        ++counters.lineCount;
    });
}
