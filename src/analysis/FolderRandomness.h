#pragma once

#include "support/FileRandomness.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class RunSteps;
class Setup;
namespace folder {
struct ListedFolder;
}

// The randomness listing of a folder tree in the report window: a line with the folder, then a
// line per matching file with its randomness value, a " * " on the files that look encrypted,
// its name as it is (control characters escaped) and its size. The batch driver runs it as a
// listing of its own, and writes the closing lines; Pause and Stop act between files.
class FolderRandomness
{
public:
    FolderRandomness(RunSteps& steps, const Setup& setup);

    // Lists `folderPath` with the file specification `fileSpec` and, with subfolders on, every
    // lower subfolder depth-first.
    void ReportFolderRandomness(const QString& folderPath, const QString& fileSpec);

    // One file line without its line break: «0.993 * data.bin (40,000 bytes)   ». A file too
    // small to measure (no value) gets five blanks, one that could not be measured the number
    // of its error («[-12]»). Files above `threshold` get the mark.
    static QString FileLine(const std::optional<FileRandomness::RandomnessValue>& value,
                            const QString& fileName, qint64 size, double threshold);

    // The randomness measure of a file of at least `minSize` bytes; the file utility's by
    // default, replaceable by tests.
    std::function<FileRandomness::RandomnessValue(const QString& path, int minSize)> measure;

    // The file utility's measure of the file at `path`.
    static FileRandomness::RandomnessValue FileRandomness(const QString& path, int minSize);

private:
    bool ListFiles(const folder::ListedFolder& found);
    // A line naming `name`, which the listing cannot open, in the form of a file's line.
    bool ListNotRead(const QString& name);
    bool ListOneFile(const QString& folderPath, const QString& name);

    RunSteps& m_steps;
    const Setup& m_setup;
};
