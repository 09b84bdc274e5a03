#pragma once

#include <QStringList>

// zr7e-cli test FOLDER [--runs N] [--in-place] [key]: the reliability test on the .tst files of
// a folder named "zr7test", with the report on standard output and no pause between runs.
// Exit status 0 when every comparison found the files identical, 1 otherwise, 2 when the
// command or its setup was refused.
int RunTest(QStringList args);
