#pragma once

#include <QString>

class Setup;

// The plain-words description of an operation shown before it runs, e.g. «Encrypting all files
// in the folder /docs/ (3 files) .  The output files are specified as *.enc in the folder
// /safe/». `count` is the number of matching files in the input folder.
QString OperationDescription(const Setup& setup, qint64 count);

// "Perform this encryption operation?" or its decryption form.
QString PerformOperationQuestion(bool encrypt);
