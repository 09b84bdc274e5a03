#pragma once

#include <QStringList>

// zr7e-cli encrypt|decrypt [options] PATH: the same launch checks, confirmation and batch as
// the "Do it!" button, with the report on standard output. Returns the exit status.
int RunOperation(bool encrypt, QStringList args);
