#pragma once

#include <QStringList>

// zr7e-cli checksum [key options]: prints "Checksum is N." of the key.
int RunChecksum(QStringList args);

// zr7e-cli newkey [--force] FILE: writes a new random 64-byte keyfile (mode 0600; over an
// existing regular file only with --force, never over a link) and prints its checksum.
int RunNewKey(QStringList args);
