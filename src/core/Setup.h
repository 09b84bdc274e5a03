#pragma once

#include "files/NameFilter.h"

#include <QString>

#include <array>

// The switches and file specifications that "Restore setup" brings back.
struct KeptSetup
{
    bool blnEncrypt = true;
    bool blnConfirmFiles = false;
    bool blnOutputFilesSame = false;
    bool blnSubdirectories = false;
    std::array<QString, 2> strDirpath;
    std::array<QString, 2> strFilespec;
    bool blnSingleFile = false;
    bool blnRepairable = false;

    bool operator==(const KeptSetup&) const = default;
};

// The one setup of the running program: everything that defines the next operation, and the
// thresholds the analysis uses. The setup editor owns it and alone changes it; everyone else
// reads it. What belongs to one run (the files of a folder, the purge advice of a batch, the
// pace of the reliability test) lives with that run. Element 0 of a pair is the input side,
// element 1 the output side.
class Setup
{
public:
    static constexpr int Input = 0;
    static constexpr int Output = 1;

    bool blnEncrypt = true;
    bool blnSubdirectories = false;
    bool blnOutputFilesSame = false;
    bool blnConfirmFiles = false;
    int intMinFilesizeForRandomness = 256;
    double dblMinZR7Randomness = 0.89;
    int intCharWidth = 106; // twips per character of the files line
    QString strProgramTextFile = QStringLiteral("zr7e.dat");
    int intMinKeyLength = 16;
    int intMaxKeyLength = 64;

    std::array<QString, 2> strDirpath;
    std::array<QString, 2> strFilespec;
    // The input specification is the name of the one file the user picked, not a pattern, even
    // when that name holds "?" or "*".
    bool blnSingleFile = false;
    // Encryptions write repairable files: parity after the sealed stream mends damaged sectors
    // before anything is authenticated. Decryption tells the two forms apart by itself.
    bool blnRepairable = false;

    QString strSpecifiedWord;    // program text 6
    QString strNotSpecifiedWord; // program text 7
    QString strDefaultOperationFile;

    // The values start-up sets before the operation file: encryption, not in place, no
    // subfolders, both sides empty.
    void SetStartUpDefaults();

    // Keeps the output side consistent with the input side: whichever side is empty takes the
    // other's folder and specification, and when the input side is set it wins.
    void SynchroniseOutputSide();

    // The names the file specification of `side` selects: on the input side, and on the output
    // side while the output files are the input files, a picked file's name is that name alone.
    NameFilter Filter(int side) const;

    // Why the folder or specification of `side` cannot be used as it stands, or nothing: a NUL
    // character (from an operation file, say) would cut the path short where the system reads
    // it, so that the files worked on would not be the ones shown.
    QString CutPath(int side) const;

    KeptSetup Keep() const;
    void Restore(const KeptSetup& kept);
};

// The version text of the running program: major version, ".", minor version and "2" (so
// version 9.9 gives "9.92"). Operation files begin with it.
QString VersionText();

// The version of the build ("1.0.0"), which both programs print for --version.
QString ProjectVersion();
