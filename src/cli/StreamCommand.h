#pragma once

#include <QStringList>

class CliKey;

// zr7e-cli encrypt|decrypt [key] -: standard input to standard output, for pipelines. The
// stream has the format of a file; memory stays the same whatever its length. A decryption
// writes only chunks that have authenticated, and a stream that turns out damaged, cut short
// or extended ends the program with a message and exit status 1. `args` are what is left after
// the key options. Returns the exit status.
int RunStream(bool encrypt, CliKey& keyOptions, const QStringList& args);
