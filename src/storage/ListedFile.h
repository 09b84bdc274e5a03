#pragma once

#include "PosixFile.h"

#include <ctime>
#include <string>
#include <sys/stat.h>

// A file as a batch found it when it listed the folder: the folder, open, that holds it, its
// name there and what it was then (a symbolic link's target). Opened again from `folderFd` the
// folder's path is not walked again, so a folder swapped for a link since leads nowhere.
struct ListedFile
{
    int folderFd = -1;
    std::string name;
    struct stat seen = {};
    // The folder, open, of a new output file that goes to another folder than this one (the
    // output folder the user named, opened once per batch); -1: that folder goes by its path.
    int outputFolderFd = -1;

    // When the batch began, on the clock that stamps files (tv_sec 0: change times are not
    // looked at). A file whose change time is at or after it was changed or put there since
    // (another run's result, listed when the batch came to its folder): it is not the file
    // the user confirmed.
    struct timespec began = {0, 0};

    bool ChangedSinceBegan() const { return began.tv_sec != 0 && AtOrAfter(seen.st_ctim, began); }

    // True when `now` is still the file that was listed: the same device and inode, and the
    // same size and modification time (another run replaces a file by a new inode, an editor
    // that rewrites it changes at least the time), and it was listed as it was when the batch
    // began.
    bool IsStill(const struct stat& now) const
    {
        return PosixFile::sameIdentity(now, seen) && now.st_size == seen.st_size &&
               now.st_mtim.tv_sec == seen.st_mtim.tv_sec &&
               now.st_mtim.tv_nsec == seen.st_mtim.tv_nsec && !ChangedSinceBegan();
    }

    // The moment a batch begins, for `began`: now. A file changed before has an earlier change
    // time. The call returns once the coarse clock that stamps most changes has caught up with
    // that moment (a few milliseconds at most), so that a file changed after the return has a
    // change time at or after it.
    static struct timespec BatchBegins()
    {
        struct timespec now = {}, coarse = {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        for (int wait = 0; wait < 100; ++wait) {
            ::clock_gettime(CLOCK_REALTIME_COARSE, &coarse);
            if (AtOrAfter(coarse, now))
                break;
            const struct timespec pause = {0, 200000};
            ::nanosleep(&pause, nullptr);
        }
        return now;
    }

    static bool AtOrAfter(const struct timespec& time, const struct timespec& moment)
    {
        return time.tv_sec > moment.tv_sec ||
               (time.tv_sec == moment.tv_sec && time.tv_nsec >= moment.tv_nsec);
    }
};
