#include "KeyRecord.h"

namespace {

// fill() works on the array's own buffer, so the characters themselves are overwritten.
void Wipe(QByteArray& bytes)
{
    bytes.fill('\0');
}

} // namespace

void KeyRecord::EraseKey()
{
    Wipe(strKey);
    Wipe(strKeyDigest);
    Wipe(strKeyBytes);
    Wipe(strRawKeyText);
    strKeyfilePath.fill(QChar(0));
}
