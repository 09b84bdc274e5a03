#include "KeyRecord.h"

void KeyRecord::EraseKey()
{
    strKey.wipe();
    strKeyDigest.fill('\0'); // never shared: KeyChecksum gives it a buffer of its own
    strKeyBytes.wipe();
    strRawKeyText.wipe();
    strKeyfilePath.fill(QChar(0));
}
