#pragma once

#include <QString>

// What the single-file randomness window shows of its file.
struct SingleFileFigures
{
    QString caption;          // «Input file: data.bin»
    QString filesize;         // «Filesize = 1,001 bytes»
    QString randomness;       // «Randomness = 0.993»
    QString path;             // the file the picture is drawn from
    qint64 drawingLength = 0; // the file's length rounded down to an even number
};
