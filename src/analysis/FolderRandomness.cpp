#include "FolderRandomness.h"

#include "FileUtility.h"
#include "core/BatchDriver.h"
#include "core/RunError.h"
#include "core/Setup.h"
#include "files/FolderWalk.h"
#include "files/NameBytes.h"
#include "files/StrProc.h"
#include "support/SizeText.h"

#include <QFile>
#include <QFileInfo>

FolderRandomness::FolderRandomness(BatchDriver& driver, Setup& setup)
    : measure(&FolderRandomness::FileRandomness), m_driver(driver), m_setup(setup)
{
}

FileUtility::RandomnessValue FolderRandomness::FileRandomness(const QString& path, int minSize)
{
    return FileUtility::fr(QFile::encodeName(path).toStdString(), minSize);
}

void FolderRandomness::Attach()
{
    m_driver.randomnessReport = [this] {
        ReportFolderRandomness(m_driver.run.strNextDirPath, m_driver.run.strCurrentFileSpec);
    };
}

QString FolderRandomness::FileLine(const std::optional<FileUtility::RandomnessValue>& value,
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
    callbacks.files = [&](const QString& path, const QStringList& names,
                          const QStringList& unreadable) {
        return ListFiles(path, names, unreadable);
    };
    // A folder that cannot be read is named and skipped, as in a batch; the listing goes on.
    callbacks.failed = [&](const QString& path, const QString& errorText) {
        ++m_driver.runCounters().foldersNotRead;
        m_driver.RunStep([&] {
            throw RunError(RunError::Kind::Other, QStringLiteral("Cannot read the folder ") +
                                                      NameBytes::Shown(path) +
                                                      QStringLiteral(": ") + errorText);
        });
    };
    callbacks.stopRequested = [&] { return m_driver.PauseAndStopCheck(); };
    folder::WalkFolder(folderPath, fileSpec, m_setup.blnSubdirectories, callbacks);
}

bool FolderRandomness::ListFiles(const QString& folderPath, const QStringList& names,
                                 const QStringList& unreadable)
{
    m_setup.intNumFiles = names.size();
    if (names.isEmpty() && unreadable.isEmpty())
        return true;
    BatchCounters& counters = m_driver.runCounters();
    ReportText& report = m_driver.report();
    if (!m_driver.RunStep([&] {
            report.Write(NameBytes::Shown(folderPath) + QLatin1Char('\n'));
            ++counters.lineCount;
        }))
        return false;
    for (const QString& name : names) {
        if (!ListOneFile(folderPath, name) || m_driver.PauseAndStopCheck())
            return false;
    }
    // Named, so that the listing accounts for every matching file, but never opened.
    for (const QString& name : unreadable) {
        ++counters.filesProcessed;
        if (!m_driver.RunStep([&] {
                report.AppendToReport(QString(8, QLatin1Char(' ')) + name +
                                          QStringLiteral(" (not read: ") +
                                          folder::UnreadableNameText() + QStringLiteral(")\n"),
                                      true);
                ++counters.lineCount;
            }))
            return false;
    }
    return m_driver.RunStep([&] {
        report.Write(QStringLiteral("\n"));
        ++counters.lineCount;
    });
}

bool FolderRandomness::ListOneFile(const QString& folderPath, const QString& name)
{
    BatchCounters& counters = m_driver.runCounters();
    ++counters.filesProcessed;
    const QString path = folderPath + name;
    const qint64 size = QFileInfo(path).size();
    // A file below the minimum size is listed, not measured.
    std::optional<FileUtility::RandomnessValue> value;
    if (size >= m_setup.intMinFilesizeForRandomness)
        value = measure(path, m_setup.intMinFilesizeForRandomness);
    return m_driver.RunStep([&] {
        m_driver.report().AppendToReport(
            FileLine(value, name, size, m_setup.dblMinZR7Randomness) + QLatin1Char('\n'), true);
        ++counters.lineCount;
    });
}
