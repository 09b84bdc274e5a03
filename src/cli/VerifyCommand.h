#pragma once

#include <QStringList>

// zr7e-cli verify [--files SPEC] [--subfolders] [key] PATH: authenticates every chunk of every
// selected file with the key and writes nothing. One report line per file says "verified" or
// what is wrong; a closing count follows. Exit status 0 only when every file verified.
int RunVerify(QStringList args);
