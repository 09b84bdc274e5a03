#pragma once

// The outcome of one call of the cipher stream, and of the file cipher around it. The numbers
// are the ones the report shows for a result it has no words for ("Unknown error #-1."), and
// core's FileResult takes them over, so they stay as they are.
enum class EngineResult : int {
    Success = 0,
    NotAllocated = -1,   // allocate_buffers was not called, or failed
    NotInitialised = -2, // no operation_initialization before the call
    InputNotFound = -3,
    InputNotOpened = -4,
    OutputNotOpened = -5,
    ReadError = -6,    // before any output existed
    WriteError = -7,   // before any output was written
    InvalidBlock = -8, // wrong key, or not an intact file of ours: no output made
    DiskFull = -9,
    KeyDerivationFailed = -10, // Argon2id could not get its memory
    ReadErrorPartial = -16,
    WriteErrorPartial = -17,
    InvalidBlockPartial = -18, // damage after the first chunk: output is partial
    RetiredFormat = -19,       // a file of the retired layout of test builds: not read
    OutputNotVerified = -20,   // the output did not read back as written: it is not kept
};
