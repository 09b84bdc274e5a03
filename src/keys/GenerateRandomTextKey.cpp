#include "GenerateRandomTextKey.h"

#include "KeyRecord.h"
#include "RandomKey.h"

void GenerateRandomTextKey(KeyRecord& key)
{
    // Every draw comes from the system's CSPRNG: a test key must be as unguessable as any key
    // the user could have chosen, since files may stay encrypted with it.
    key.strKey.fill('\0');
    key.strKey.clear();
    const int length = 16 + static_cast<int>(RandomUniform(49));
    const bool text = RandomUniform(10) > 0;
    key.strKey.reserve(length);
    for (int i = 0; i < length; ++i) {
        const int code = 32 + static_cast<int>(RandomUniform(text ? 91 : 224));
        key.strKey.append(static_cast<char>(code));
    }
    key.intKeySource = text ? KeyRecord::Keyboard : KeyRecord::Keyfile;
    key.strRawKeyText.fill('\0');
    key.strRawKeyText = key.strKey;
}
