#include "GenerateRandomTextKey.h"

#include "KeyRecord.h"
#include "engine/RandomKey.h"

void GenerateRandomTextKey(KeyRecord& key)
{
    // Every draw comes from the system's CSPRNG: a test key must be as unguessable as any key
    // the user could have chosen, since files may stay encrypted with it.
    const int length = 16 + static_cast<int>(RandomUniform(49));
    const bool text = RandomUniform(10) > 0;
    key.strKey = SecretBytes(length);
    for (int i = 0; i < key.strKey.size(); ++i)
        key.strKey[i] = static_cast<char>(32 + static_cast<int>(RandomUniform(text ? 91 : 224)));
    key.intKeySource = text ? KeyRecord::Keyboard : KeyRecord::Keyfile;
    key.strRawKeyText = key.strKey.copy();
}
