#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// zr7e-cli repair FILE...: rewrites each damaged repairable file whole from what its parity
// mends, without a key. One line per file says what was repaired, or why nothing was written.
// Exit status 0 when every file is intact or was repaired.
int RunRepair(QStringList args);
