#pragma once

#include <QStringList>

// zr7e-cli run OPERATION_FILE [key] [--yes] [--force]: the setup saved in an operation file,
// brought into force as "Load setup" does, run as "Do it!" runs it. Returns the exit status.
int RunOperationFile(QStringList args);
