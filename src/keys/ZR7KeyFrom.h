#pragma once

#include "SecretBytes.h"

#include <QByteArray>
#include <QString>

struct KeyRecord;

// The rules every key obeys. Keys are Windows-1252 byte strings.
namespace ZR7KeyFrom {

constexpr int MinKeyLength = 16;
constexpr int MaxKeyLength = 64;
constexpr double MinKeyRandomness = 0.88;

// Bytes above code 32 only, upper-cased: spaces, control codes and letter case do not matter.
SecretBytes NormalizedKey(QByteArrayView key);
inline SecretBytes NormalizedKey(const QByteArray& key)
{
    return NormalizedKey(QByteArrayView(key));
}
SecretBytes NormalizedKey(const QString& typed);

bool KeyHasMinLength(QByteArrayView key);

// The engine's judgement of the whole byte string (trailing NULs included).
bool KeyIsText(QByteArrayView key);

// The randomness measure of the key's bytes is at least 0.88.
bool KeyIsRandom(QByteArrayView key);

// 1001..9999, from the MD5 digest of the normalised key; the digest is left in `digest` so
// that it can be erased with the key.
int KeyChecksum(QByteArrayView normalizedKey, QByteArray& digest);

// "Checksum is N." as the dialogs show it.
QString ChecksumText(int checksum);

// Result of reading a keyfile.
enum class KeyfileStatus { Ok, Unsuitable, Error };

// Reads the first 64 bytes of `path` into `keyBytes` (NUL-padded), checks that they hold at
// least 16 characters above code 32, then replaces each NUL before the last non-NUL byte at
// 1-based position i by code 128 - i. A key must come back the same on every read, so anything
// but a regular file (a pipe, a FIFO, a device, a folder) and a file of a file system that makes
// up its content as it is read (/proc, /sys and the like) are an Error before a byte is read,
// and so is a file whose read gives more or fewer bytes than its size. `error` holds the
// description on Error.
KeyfileStatus ReadKeyfile(const QString& path, SecretBytes& keyBytes, QString& error);

// Writes the 64 key bytes at the start of `path` without truncating a longer file; a new
// file gets mode 0600. With `mustBeNew` an existing file is refused, and so is anything but a
// regular file, which would not keep the key. False with the description in `error`.
bool WriteKeyfile(const QString& path, QByteArrayView keyBytes, QString& error,
                  bool mustBeNew = false);

// 64 bytes of codes 33..255 from the system's CSPRNG.
SecretBytes NewRandomKeyBytes();

// The key as the engine receives it: a shorter key written four times over, cut to 64.
SecretBytes ExtendedKey(QByteArrayView key);

// The key line: the specified word, the source and the checksum, e.g.
// "Specified (keyboard entry, checksum = 2222)"; the not-specified word while no key is in
// force.
QString KeyLine(const KeyRecord& key, const QString& specifiedWord,
                const QString& notSpecifiedWord);

} // namespace ZR7KeyFrom
