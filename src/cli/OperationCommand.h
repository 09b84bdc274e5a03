#pragma once

#include <QStringList>

class CliKey;
class SetupEditor;

// zr7e-cli encrypt|decrypt [options] PATH: the same launch checks, confirmation and batch as
// the "Do it!" button, with the report on standard output. Returns the exit status.
int RunOperation(bool encrypt, QStringList args);

// Runs the operation the setup of `editor` describes with the key that `keyOptions` name (read
// now), through the same launch; `yes` confirms without asking, `force` decrypts files that do not
// look encrypted. Returns the exit status.
int RunSetup(SetupEditor& editor, CliKey& keyOptions, bool yes, bool force);
