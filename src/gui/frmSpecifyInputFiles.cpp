#include "frmSpecifyInputFiles.h"

#include "Twips.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int ListTop = 450;
constexpr int ListHeight = 2160;
constexpr int AllFilesTop = 2790;
constexpr int ExtensionTop = 3195;
constexpr int FilespecTop = 4005;
constexpr int ButtonTop = 5040;

} // namespace

frmSpecifyInputFiles::frmSpecifyInputFiles(QWidget* parent, Interaction& interaction)
    : FileChoiceDialog(parent, interaction, QStringLiteral("frmSpecifyInputFiles"),
                       tr("Specify input files"))
{
    optAllFiles = new QRadioButton(this);
    // All files comes between the list and the extension, on screen and in tab order.
    setTabOrder(File, optAllFiles);
    connect(optAllFiles, &QRadioButton::clicked, cmdAccept, qOverload<>(&QWidget::setFocus));
    Arrange();
}

void frmSpecifyInputFiles::Arrange()
{
    ArrangeShared(FormHeight, ListTop, ListHeight, ExtensionTop, FilespecTop, ButtonTop);
    optAllFiles->setGeometry(
        Twips::Rect(Margin, AllFilesTop, FormWidth - 2 * Margin, OptionHeight));
}

void frmSpecifyInputFiles::SetNextResult(const FileChoiceResult& result)
{
    NextResultOf<frmSpecifyInputFiles>() = result;
}

FileChoiceResult frmSpecifyInputFiles::Run(const QString& folder, bool blnEncrypt,
                                           qint64 intNumFiles)
{
    return RunOnce(NextResultOf<frmSpecifyInputFiles>(), folder, blnEncrypt, intNumFiles);
}

void frmSpecifyInputFiles::Rebuild(const QString& folder, bool blnEncrypt, qint64 intNumFiles)
{
    ResetShared(folder, blnEncrypt ? tr("e.g., txt or doc:") : tr("e.g., enc:"),
                blnEncrypt ? tr("e.g., a*.d*:") : tr("e.g., a*.e*:"));
    const QString verb = blnEncrypt ? tr("Encrypt") : tr("Decrypt");
    optSingleFile->setText(verb + tr(" a single file:"));
    optAllFiles->setText(verb + tr(" all files (*.*)"));
    optExtension->setText(verb + tr(" all files with a particular extension"));
    optMultipleFiles->setText(verb + tr(" all files satisfying a file specification"));
    optAllFiles->setEnabled(true);
    StartShared(intNumFiles != 0);
}

bool frmSpecifyInputFiles::AcceptOwnOption()
{
    if (!optAllFiles->isChecked())
        return false;
    Finish(true, Choice::AllFiles, QString());
    return true;
}
