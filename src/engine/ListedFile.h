#pragma once

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

    // True when `now` is still the file that was listed: the same device and inode, and the
    // same size and modification time (another run replaces a file by a new inode, an editor
    // that rewrites it changes at least the time).
    bool IsStill(const struct stat& now) const
    {
        return now.st_dev == seen.st_dev && now.st_ino == seen.st_ino &&
               now.st_size == seen.st_size && now.st_mtim.tv_sec == seen.st_mtim.tv_sec &&
               now.st_mtim.tv_nsec == seen.st_mtim.tv_nsec;
    }
};
