#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Writes a whole file that the user named as a destination (a picture, a keyfile, an operation
// file, a copy) so that no other file is ever lost to it: the content goes to a temporary file
// in the same folder, reaches the disk, is read back from the disk and checked, and only then
// takes the name with a rename (see Durability). After a crash at any point the name holds its
// old content or the new one, never a part.
//
// What the name may be:
// - nothing yet: the new file appears (mode 0600);
// - an existing regular file: replaced only when `replace` allows it, which the caller sets
//   after asking the user (or on an explicit option); it keeps its mode, owner and group unless
//   `keepMode` is off;
// - a symbolic link, a folder, a FIFO, a device or a socket: never replaced, and a link is never
//   followed (its target could be any file of the system);
// - one of the `protect` files (by device and inode, so a second name or a link to it counts):
//   never replaced, whatever `replace` says. The input being read and the keyfile in use go here.
namespace ReplacingWrite {

enum class Result {
    Written,    // the name holds the new content
    Exists,     // the name is taken and `replace` was not given; nothing changed
    NotRegular, // the name is a link or a special file; nothing changed
    Protected,  // the name is one of the protected files; nothing changed
    Failed,     // the content could not be written or could not take the name; `error` is the
                // errno; nothing changed
};

struct Target
{
    std::string path;
    bool replace = false;
    bool keepMode = true;
    std::vector<std::string> protect; // paths; those that do not exist protect nothing
};

// Writes the content into the descriptor it is given (a new, empty file); 0 or an errno.
using Fill = std::function<int(int fd)>;
// Reads the written file back from its start and tells whether it holds what was meant.
using Check = std::function<bool(int fd)>;

// The refusals of write() without writing anything: Written when the name could take the
// content now. The caller checks before long work, so that a refusal costs nothing.
[[nodiscard]] Result check(const Target& target, int& error);

// Writes the file; see Result. The temporary file never stays behind. A `check` that fails
// after the flush is a failure with EIO: nothing takes the name.
[[nodiscard]] Result write(const Target& target, const Fill& fill, int& error,
                           const Check& check = {});

// The same for content held in memory, checked against it.
[[nodiscard]] Result writeBytes(const Target& target, const void* data, std::size_t size,
                                int& error);

} // namespace ReplacingWrite
