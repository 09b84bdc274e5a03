#include "frmSpecifyOutputFiles.h"

#include "Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

namespace {

constexpr int SingleFileLabelTop = 420;
constexpr int ListTop = 735;
constexpr int ListHeight = 1920;
constexpr int NewFileTop = 2835;
constexpr int NewFileBoxTop = 3165;
constexpr int ExtensionTop = 3645;
constexpr int FilespecTop = 4455;
constexpr int ButtonTop = 5550;

} // namespace

frmSpecifyOutputFiles::frmSpecifyOutputFiles(QWidget* parent, Interaction& interaction)
    : FileChoiceDialog(parent, interaction, QStringLiteral("frmSpecifyOutputFiles"),
                       tr("Specify output files"))
{
    lblSingleFile = new QLabel(this);
    lblSingleFile->setTextFormat(Qt::PlainText);
    lblSingleFile->installEventFilter(this);
    optNewFile = new QRadioButton(this);
    txbNewFile = new QLineEdit(this);
    txbNewFile->setAccessibleName(tr("Name of the new file"));
    PrepareBox(txbNewFile);
    // The new file comes between the list and the extension, on screen and in tab order.
    setTabOrder(File, optNewFile);
    setTabOrder(optNewFile, txbNewFile);
    connect(optNewFile, &QRadioButton::clicked, txbNewFile, qOverload<>(&QWidget::setFocus));
    connect(txbNewFile, &QLineEdit::textEdited, optNewFile,
            [this] { optNewFile->setChecked(true); });
    Arrange();
}

void frmSpecifyOutputFiles::Arrange()
{
    ArrangeShared(FormHeight, ListTop, ListHeight, ExtensionTop, FilespecTop, ButtonTop);
    const int fullWidth = FormWidth - Indent - Margin;
    lblSingleFile->setGeometry(Twips::Rect(Indent, SingleFileLabelTop, fullWidth, OptionHeight));
    optNewFile->setGeometry(Twips::Rect(Margin, NewFileTop, FormWidth - 2 * Margin, OptionHeight));
    txbNewFile->setGeometry(Twips::Rect(Indent, NewFileBoxTop, fullWidth, BoxHeight));
}

void frmSpecifyOutputFiles::SetNextResult(const FileChoiceResult& result)
{
    NextResultOf<frmSpecifyOutputFiles>() = result;
}

FileChoiceResult frmSpecifyOutputFiles::Run(const QString& folder, bool blnEncrypt,
                                            qint64 intNumFiles)
{
    return RunOnce(NextResultOf<frmSpecifyOutputFiles>(), folder, blnEncrypt, intNumFiles);
}

void frmSpecifyOutputFiles::Rebuild(const QString& folder, bool blnEncrypt, qint64 intNumFiles)
{
    // The examples are the other way round from the input side: encrypting writes
    // enciphered files.
    ResetShared(folder, blnEncrypt ? tr("e.g., enc:") : tr("e.g., txt or doc:"),
                blnEncrypt ? tr("e.g., a*.e*:") : tr("e.g., a*.d*:"));
    txbNewFile->clear();
    const QString verb = blnEncrypt ? tr("Encrypt") : tr("Decrypt");
    optSingleFile->setText(verb + tr(" to an existing file"));
    lblSingleFile->setText(tr("(which will be overwritten):"));
    optNewFile->setText(verb + tr(" to a new file:"));
    optExtension->setText(verb + tr(" to files with a particular extension"));
    optMultipleFiles->setText(verb + tr(" to files satisfying a file specification"));
    const bool haveFiles = intNumFiles != 0;
    lblSingleFile->setEnabled(haveFiles);
    StartShared(haveFiles);
}

bool frmSpecifyOutputFiles::AcceptOwnOption()
{
    if (!optNewFile->isChecked())
        return false;
    const QString name = txbNewFile->text().trimmed();
    Finish(!name.isEmpty(), Choice::NewFile, name);
    return true;
}

QRadioButton* frmSpecifyOutputFiles::OptionOf(QObject* watched) const
{
    if (watched == txbNewFile)
        return optNewFile;
    if (watched == lblSingleFile)
        return optSingleFile;
    return FileChoiceDialog::OptionOf(watched);
}
