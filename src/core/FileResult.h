#pragma once

#include "storage/FileCipher.h"

// The outcome of one file of a batch: the engine's results, under the engine's numbers, and
// the program's own refusals and failures around the engine call. The numbers are the ones the
// report shows for a result it has no words for ("Unknown error #-1."), so they stay as they
// are. Every result has its words in FileResultText, which the compiler checks.
enum class FileResult : int {
    Done = FileCipher::Success,

    // The engine's results.
    NotAllocated = FileCipher::NotAllocated,
    NotInitialised = FileCipher::NotInitialised,
    InputNotFound = FileCipher::InputNotFound,
    InputNotOpened = FileCipher::InputNotOpened,
    OutputNotOpened = FileCipher::OutputNotOpened,
    ReadError = FileCipher::ReadError,
    WriteError = FileCipher::WriteError,
    InvalidBlock = FileCipher::InvalidBlock,
    DiskFull = FileCipher::DiskFull,
    KeyDerivationFailed = FileCipher::KeyDerivationFailed,
    ReadErrorPartial = FileCipher::ReadErrorPartial,
    WriteErrorPartial = FileCipher::WriteErrorPartial,
    InvalidBlockPartial = FileCipher::InvalidBlockPartial,
    RetiredFormat = FileCipher::RetiredFormat,
    OutputNotVerified = FileCipher::OutputNotVerified, // read back, it was not as written

    // The program's own.
    OwnExecutable = 1,
    CurrentKeyfile = 2,
    EmptyFile = 3,
    TooSmallToDecrypt = 4,
    NoTemporaryName = 5,
    RenameFailed = 6,
    ExcludedExtension = 7,
    NotVerified = 9,       // the result could not be proven on disk: the original stays
    NotRegularFile = 10,   // a symbolic link or special file, left alone in place
    OtherNames = 11,       // the file has hard links: replacing one name would split them
    CannotReplace = 12,    // immutable, or the folder does not let this user replace it
    InUse = 13,            // another run, or a program writing to it, has the file
    ChangedMeanwhile = 14, // the file changed while it was read: it stays as it now is
    UnreadableName = 15,   // the name is not valid UTF-8: the file cannot be named
    // no longer the file the batch listed, or no longer in the folder it listed
    ChangedSinceListed = 16,
    PurgeFailed = 17, // replaced, but the original is left under a temporary name
    NameTooLong = 20, // the output name would be longer than a name may be
    PathTooLong = 21, // the input or output path is longer than a path may be
};

// The result of an engine call (a FileCipher::Result); a number the engine does not name
// keeps its value, and the report gives it as an unknown error.
inline FileResult FromEngine(int engineResult)
{
    return static_cast<FileResult>(engineResult);
}
