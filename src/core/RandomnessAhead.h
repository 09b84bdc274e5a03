#pragma once

#include "support/FileRandomness.h"

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
// file costs about as much as decrypting it. Only a file that was still the one listed is
// measured; one that changes after that is refused at its turn, when it is opened again.
class RandomnessAhead
{
public:
    // Measures the files `names` (listed as `identities`) of the folder open at `folderFd`
    // that are at least `minSize` bytes, in order, while `goOn()` holds. Values of another
    // folder are dropped first.
    void Measure(int folderFd, const QStringList& names, const QList<struct stat>& identities,
                 qint64 minSize, const std::function<bool()>& goOn);
    // The value measured on `listed`, once; none when it was not measured.
    std::optional<FileRandomness::RandomnessValue> Take(const ListedFile& listed);
    void Clear();

    // The randomness of `listed`, opened from its folder: an error when it cannot be opened,
    // none when it is no longer the file listed.
    static std::optional<FileRandomness::RandomnessValue> OfListed(const ListedFile& listed,
                                                                   int minSize);

private:
    int m_folderFd = -1;
    // By name in that folder; each was the listed file when it was measured.
    std::unordered_map<std::string, FileRandomness::RandomnessValue> m_values;
};
