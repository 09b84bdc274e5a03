#pragma once

#include <QByteArray>
#include <QString>

// The one key in force. Key bytes are Windows-1252 characters; everything that holds key
// material is overwritten with NULs by EraseKey, in place, before the program ends.
struct KeyRecord
{
    static constexpr int NotSpecified = -1;
    static constexpr int Keyboard = 0;
    static constexpr int Keyfile = 2;

    QByteArray strKey = QByteArray(64, '\0');
    int intKeySource = NotSpecified;
    int intKeyChecksum = 0;
    QString strKeyfilePath;
    QByteArray strKeyBytes;
    QByteArray strKeyDigest;
    QByteArray strRawKeyText;
    bool blnKeyText = false;
    bool blnKeyRandom = false;
    bool blnNewKeyfile = false;
    bool blnKeyChoiceCancelled = false;

    // Overwrites the key, its digest, the keyfile bytes and the keyfile path with NULs of the
    // same length.
    void EraseKey();
};
