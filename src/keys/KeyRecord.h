#pragma once

#include "SecretBytes.h"

#include <QByteArray>
#include <QString>

// The one key in force. Key bytes are Windows-1252 characters, each key held once as a secret;
// EraseKey overwrites them with NULs in place. The record moves, it is never copied.
struct KeyRecord
{
    static constexpr int NotSpecified = -1;
    static constexpr int Keyboard = 0;
    static constexpr int Keyfile = 2;

    SecretBytes strKey = SecretBytes(64);
    int intKeySource = NotSpecified;
    int intKeyChecksum = 0;
    QString strKeyfilePath;
    SecretBytes strKeyBytes;
    QByteArray strKeyDigest;
    SecretBytes strRawKeyText;
    bool blnKeyText = false;
    bool blnKeyRandom = false;
    bool blnNewKeyfile = false;
    bool blnKeyChoiceCancelled = false;

    // Overwrites the key, its digest, the keyfile bytes and the keyfile path with NULs of the
    // same length.
    void EraseKey();
};
