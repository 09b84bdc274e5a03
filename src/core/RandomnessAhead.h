#pragma once

#include "FileUtility.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>

struct ListedFile;

// The randomness of files a decryption batch will check, measured before their turn: while the
// batch key is still being derived there is nothing else to do with them, and measuring a small
// file costs about as much as decrypting it. A value is handed out only for the very file it
// was measured on, as listed and unchanged since.
class RandomnessAhead
{
public:
    // Measures the files `names` (listed as `identities`) of the folder open at `folderFd`
    // that are at least `minSize` bytes, in order, while `goOn()` holds. Values of another
    // folder are dropped first.
    void Measure(int folderFd, const QStringList& names, const QList<struct stat>& identities,
                 qint64 minSize, const std::function<bool()>& goOn);
    // The value measured on `listed`, once; none when it was not measured or is not that file.
    std::optional<FileUtility::RandomnessValue> Take(const ListedFile& listed);
    void Clear();

    // The randomness of `listed`, opened from its folder: an error when it cannot be opened,
    // none when it is no longer the file listed.
    static std::optional<FileUtility::RandomnessValue> OfListed(const ListedFile& listed,
                                                                int minSize);

private:
    struct Measured
    {
        struct stat seen;
        FileUtility::RandomnessValue value;
    };
    int m_folderFd = -1;
    std::unordered_map<std::string, Measured> m_values;
};
