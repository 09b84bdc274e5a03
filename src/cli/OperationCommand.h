#pragma once

#include <QStringList>

class CliKey;
class SetupEditor;

// zr7e-cli encrypt|decrypt [options] PATH: the same launch checks, confirmation and batch as
// the "Do it!" button, with the report on standard output. Returns the exit status.
int RunOperation(bool encrypt, QStringList args);

// The options of every operation, whatever set it up.
struct RunChoices
{
    bool yes = false;   // confirm without asking
    bool force = false; // decrypt files that do not look encrypted
    bool quiet = false; // no description, no progress, the report only when something failed
};

// Takes `arg` when it is one of the options above.
bool TakeRunChoice(const QString& arg, RunChoices& choices);

// Runs the operation the setup of `editor` describes with the key that `keyOptions` name (read
// now), through the same launch. Returns the exit status.
int RunSetup(SetupEditor& editor, CliKey& keyOptions, const RunChoices& choices);
