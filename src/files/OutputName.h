#pragma once

#include <QString>

// The output file name derivation: each "?" of the output file specification copies the input
// name's character at the same place, a "*" copies the rest of the input's part. Name and
// extension (split at the last dot) are derived separately.

// Derivation result codes.
enum OutputNameCode {
    OutputNameDerived = 0,
    OutputNameSameAsInput = 1, // derived, and equal to the input name (case-sensitive)
    OutputNameNoInput = -1,    // the input name is empty
    OutputNameNoSpec = -2,     // the output file specification is empty
    // -3 is no longer given: "?" and "*" are ordinary characters of a file's name here.
    OutputNameEmpty = -4, // the derived name is empty
};

// The output name of the file `inputName` (no folder) under the output file specification
// `fileSpec`, blanks and all; `code` gets one of OutputNameCode. "" with every negative code.
QString DeriveOutputName(const QString& inputName, const QString& fileSpec, int& code);

// One part of the output name from one part of the input name and the matching part of the
// specification: "?" at position k takes the part's character k, or vanishes when the part is
// shorter; the first "*" takes the part's rest from its own position and ends the template.
QString SubstituteWildcards(const QString& part, const QString& templatePart);
