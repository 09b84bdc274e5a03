#pragma once

#include <QStringList>

// zr7e-cli randomness [--subfolders] PATH [--files SPEC] [--picture FILE [--force]]: the
// randomness report on a file or a folder. A single file gives its size and randomness, and
// with --picture its byte-pair picture (over an existing file only with --force); a folder
// gives the listing of the report window. Returns the exit status.
int RunRandomness(QStringList args);
