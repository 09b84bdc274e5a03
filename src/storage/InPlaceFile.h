#pragma once

#include "ListedFile.h"
#include "OwnTemporaries.h"
#include "PosixFile.h"

#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

// A file that is read for an encryption or decryption, on a file system that other people and
// programs use at the same time. Opened once, it is known by its descriptor and identity
// (device and inode), never again by its name alone.
//
// Read for a new output file, it is opened with a shared lock. Replaced in place, it takes an
// exclusive lock, which a second run of the program respects, and the result goes to a new file
// beside it. Only when the original is unchanged is the result exchanged with it atomically;
// the original then lies under the result's temporary name until it is purged. At no moment
// does the file's own name hold anything but the original or its complete result.
class InPlaceFile
{
public:
    enum Status : int {
        Ready = 0,
        NotFound,       // the name leads nowhere
        NotOpened,      // it cannot be opened for reading
        NotRegular,     // a symbolic link, folder, device or pipe
        OtherLinks,     // the file has further names (hard links)
        NotRemovable,   // immutable, append-only, or the folder forbids removing it
        InUse,          // another run holds it, or another program has it open for writing
        NoResultFile,   // no new file can be made beside it
        Changed,        // it changed while it was read
        ExchangeFailed, // the result could not take the file's name
        NotAsListed,    // no longer the file, or in the folder, that the batch listed
    };

    enum class Mode {
        Read,   // for a new output file: links are followed, the lock is shared
        Replace // in place: the name itself must be the file; the lock is exclusive
    };

    // Every call that changes the file system goes through `calls`, which must outlive it.
    explicit InPlaceFile(const SystemCalls& calls = SystemCalls::current()) : m_calls(calls) {}
    ~InPlaceFile();
    InPlaceFile(const InPlaceFile&) = delete;
    InPlaceFile& operator=(const InPlaceFile&) = delete;

    // Opens the file at `path`. With `listed`, the file is opened from the listed folder's
    // descriptor and taken only while it is still the listed file and `path` still leads to
    // that folder; from then on every name (the result, the exchange, the purge) is taken in
    // that folder, never again by a path. `path` only names the files in reports.
    [[nodiscard]] Status open(const std::string& path, Mode mode,
                              const ListedFile* listed = nullptr);

    const std::string& path() const { return m_path; }
    int fd() const { return m_input.get(); }
    const struct stat& identity() const { return m_seen; }

    // A new file beside the original for the result (mode 0600, locked, readable), with the
    // original's file flags.
    [[nodiscard]] Status createResult();
    int resultFd() const { return m_result.get(); }
    // The result's path, as the report names it.
    const std::string& resultPath() const { return m_resultPath; }

    // Gives the written result the original's owner and group where permitted, its extended
    // attributes (access control lists among them), its mode and its times.
    void copyMetadata();

    // Puts the result under the file's name, after checking that the original is still the
    // file that was read, unchanged and not open for writing elsewhere. On Ready the original
    // lies under resultPath() and the exchange is on disk; otherwise the original is in place
    // and untouched, and the result still at resultPath().
    [[nodiscard]] Status replace();

    // Purges the original under its temporary name (level and result as
    // FileUtility::purge_identified_at). On a failure the original stays there.
    [[nodiscard]] int purgeOriginal(int level);

    // Removes the result that did not replace the original.
    void discardResult();
    // Leaves the result that did not replace the original where it is: its path. After a
    // failed purge, the path where the original was left.
    std::string releaseResult();
    // Keeps a partial result as "<name>.partial" (or ".partial2", ...): that path, or "".
    [[nodiscard]] std::string keepPartialResult();

    // Removes what an interrupted run left in `folder`: files with the program's temporary
    // names that no running process holds and that were not touched in the last seconds.
    // The names removed. A leftover may hold a plaintext whose purge was cut short, so it is
    // overwritten first unless it shares its data with another name. With `folderFd` (the
    // folder open) the names are taken there, and `folder` is not looked up.
    static std::vector<std::string> RemoveLeftovers(const std::string& folder,
                                                    int folderFd = AT_FDCWD);

    // Turns off the signal that would end the process when another program opens a file while
    // the writers' check holds it for an instant. Called once before any check.
    static void IgnoreLeaseBreaks();

private:
    const SystemCalls& m_calls;
    // The owner bits of the access the user has to the original: read, and write and
    // execute where the system grants them.
    mode_t AccessOfUser() const;
    static bool RemoveLeftover(int folderFd, const std::string& name);
    bool CanBeRemoved() const;
    // The path of `name`, a name relative to m_folderFd, as reports show it.
    std::string Shown(const std::string& name) const;
    void SetResultName(const std::string& name);
    bool Unchanged(bool afterExchange) const;
    bool Exchange();
    bool SwapBack();
    // The original is no longer under the temporary name: back under its own, or purged.
    void Restored();

    // Open from just before the exchange until the original is purged or back under its name,
    // and while a failed purge leaves it under the temporary name: a stop at once then waits,
    // rather than remove the original unpurged. Declared first, so that it closes only after
    // the original's descriptor.
    std::optional<OwnTemporaries::Purging> m_purging;
    std::string m_path;
    // The folder the file was opened from, and every name below relative to it: a batch's
    // listed folder, or AT_FDCWD, where the names are paths (m_prefix: the folder part).
    int m_folderFd = AT_FDCWD;
    std::string m_prefix;
    std::string m_name;
    PosixFile::Fd m_input;
    struct stat m_seen = {};
    PosixFile::Fd m_result;
    std::string m_resultName;
    std::string m_resultPath; // m_resultName as reports show it
    bool m_exchanged = false;
    bool m_swappedByLink = false;
};
