#pragma once

#include <QString>

class Setup;

// The plain-words description of an operation shown before it runs, e.g. «Encrypting all files
// in the folder /docs/ (3 files) .  The output files are specified as *.enc in the folder
// /safe/». `count` is the number of matching files in the input folder. When the operation
// writes new output files and `replaced` of them exist already, a second line says so, e.g.
// «2 of the output files exist already and will be replaced.». An encryption that writes
// repairable files ends with a line that says so.
QString OperationDescription(const Setup& setup, qint64 count, qint64 replaced = 0);

// "Perform this encryption operation?" or its decryption form.
QString PerformOperationQuestion(bool encrypt);
