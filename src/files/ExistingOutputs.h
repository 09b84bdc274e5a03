#pragma once

#include <QString>

class Interaction;
class NameFilter;

namespace folder {

// How many output files of an operation to new files are there already and would be replaced.
// The input files are those the batch takes from `inputFolder` with `inputFilter` (that folder
// only: with subfolders the output files are always the input files); the output file of
// each is `outputFolder` + DeriveOutputName(name, `outputSpec`). An output path counts when
// something other than a folder is there and it is not the input file itself (which the batch
// replaces in place); a path that several inputs share counts once. -1 with the platform's
// error description in `errorText` when the input folder cannot be read. `interaction` lets
// pending events run now and then in large folders.
qint64 CountExistingOutputFiles(const QString& inputFolder, const NameFilter& inputFilter,
                                const QString& outputFolder, const QString& outputSpec,
                                QString& errorText, Interaction* interaction = nullptr);

} // namespace folder
