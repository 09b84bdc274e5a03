#include "TxtEncDec.h"

#include <array>
#include <utility>

QString TxtEncDec(const QString& word, bool blnEncrypt)
{
    static const std::array<std::pair<const char*, const char*>, 8> Words = {{
        {"Encrypt", "Decrypt"},
        {"encrypt", "decrypt"},
        {"Encryption", "Decryption"},
        {"encryption", "decryption"},
        {"Encrypted", "Decrypted"},
        {"encrypted", "decrypted"},
        {"Encrypting", "Decrypting"},
        {"encrypting", "decrypting"},
    }};
    for (const auto& [encryptForm, decryptForm] : Words) {
        if (word == QLatin1String(encryptForm))
            return blnEncrypt ? word : QString::fromLatin1(decryptForm);
    }
    return {};
}
