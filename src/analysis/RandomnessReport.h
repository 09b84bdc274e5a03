#pragma once

#include "FolderRandomness.h"

#include <QString>

class BatchDriver;
class Interaction;
class RandomnessView;
class Setup;

// The randomness report on the input or the output files of the setup: a single named file is
// measured and shown in a window of its own; a file specification with wildcards, or any one
// with subfolders, is listed in the report window. The main window's choice panel and the
// command line both run it.
class RandomnessReport
{
public:
    enum class Outcome {
        NothingSpecified, // neither side is specified
        NoFiles,          // no file in the folder matches
        TooSmall,         // the single file is below the minimum size
        CannotReport,     // the single file could not be measured
        SingleFile,       // the single-file window was shown
        Listing,          // the report window listed the files
    };

    RandomnessReport(const Setup& setup, BatchDriver& driver, Interaction& interaction,
                     RandomnessView& view);

    // True when both the folder and the file specification of `side` are set.
    static bool SideSpecified(const Setup& setup, int side);

    // Before the choice panel opens: false, with a message, when neither side is specified.
    bool CheckSidesSpecified();

    // The report on `side` (Setup::Input or Setup::Output).
    Outcome MakeRandomnessReport(int side);

    FolderRandomness& listing() { return m_listing; }

private:
    Outcome SingleFileReport(int side, const QString& path, const QString& spec);
    void ListingReport(int side, const QString& folderPath, const QString& spec);

    const Setup& m_setup;
    BatchDriver& m_driver;
    Interaction& m_interaction;
    RandomnessView& m_view;
    FolderRandomness m_listing;
};
