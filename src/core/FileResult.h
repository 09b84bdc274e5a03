#pragma once

#include "engine/EngineResult.h"

// The outcome of one file of a batch: the engine's results, under the engine's numbers, and
// the program's own refusals and failures around the engine call. The numbers are the ones the
// report shows for a result it has no words for ("Unknown error #-1."), so they stay as they
// are. Every result has its words in FileResultText, which the compiler checks.
enum class FileResult : int {
    Done = 0,

    // The engine's results, under EngineResult's numbers.
    NotAllocated = -1,
    NotInitialised = -2,
    InputNotFound = -3,
    InputNotOpened = -4,
    OutputNotOpened = -5,
    ReadError = -6,
    WriteError = -7,
    InvalidBlock = -8,
    DiskFull = -9,
    KeyDerivationFailed = -10,
    ReadErrorPartial = -16,
    WriteErrorPartial = -17,
    InvalidBlockPartial = -18,
    RetiredFormat = -19,
    OutputNotVerified = -20, // read back, it was not as written

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

// The result of an engine call, under the same name and number. No default: a new engine
// result does not build until it has its place here, and its words in FileResultText.
inline FileResult FromEngine(EngineResult engineResult)
{
    switch (engineResult) {
    case EngineResult::Success:
        return FileResult::Done;
    case EngineResult::NotAllocated:
        return FileResult::NotAllocated;
    case EngineResult::NotInitialised:
        return FileResult::NotInitialised;
    case EngineResult::InputNotFound:
        return FileResult::InputNotFound;
    case EngineResult::InputNotOpened:
        return FileResult::InputNotOpened;
    case EngineResult::OutputNotOpened:
        return FileResult::OutputNotOpened;
    case EngineResult::ReadError:
        return FileResult::ReadError;
    case EngineResult::WriteError:
        return FileResult::WriteError;
    case EngineResult::InvalidBlock:
        return FileResult::InvalidBlock;
    case EngineResult::DiskFull:
        return FileResult::DiskFull;
    case EngineResult::KeyDerivationFailed:
        return FileResult::KeyDerivationFailed;
    case EngineResult::ReadErrorPartial:
        return FileResult::ReadErrorPartial;
    case EngineResult::WriteErrorPartial:
        return FileResult::WriteErrorPartial;
    case EngineResult::InvalidBlockPartial:
        return FileResult::InvalidBlockPartial;
    case EngineResult::RetiredFormat:
        return FileResult::RetiredFormat;
    case EngineResult::OutputNotVerified:
        return FileResult::OutputNotVerified;
    }
    return FileResult::NotAllocated; // not reached: every engine result has its case above
}
