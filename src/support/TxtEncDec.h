#pragma once

#include <QString>

// The word switch: `word` itself while encrypting, otherwise its decryption form ("Encrypt"
// gives "Decrypt", "encrypted" gives "decrypted", ...); any other word gives "". Every text
// that names the function goes through it.
QString TxtEncDec(const QString& word, bool blnEncrypt);
