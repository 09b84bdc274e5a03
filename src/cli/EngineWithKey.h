#pragma once

#include "CliKey.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "keys/KeyRecord.h"
#include "storage/FileCipher.h"

// Reads the key the options name and hands it to a ready engine, for the commands that work on
// the engine directly (pipes, verify); the key text is wiped once the engine holds it.
// ExitStatus::Done when the engine is ready, or the exit status to end with after the message
// has been printed.
inline int StartEngineWithKey(FileCipher& engine, CliKey& keyOptions, bool encrypt)
{
    KeyRecord key;
    QString error;
    if (!keyOptions.Read(key.strKey, error, encrypt)) {
        Messages::Print(error);
        return ExitStatus::Refused;
    }
    if (!engine.allocate_buffers()) {
        Messages::Print(
            QStringLiteral("Fatal error: Attempt to allocate buffers was unsuccessful!"));
        key.EraseKey();
        return ExitStatus::Failed;
    }
    engine.operation_initialization(key.strKey.text(), encrypt ? 1 : 0, 0, 0);
    key.EraseKey();
    return ExitStatus::Done;
}
