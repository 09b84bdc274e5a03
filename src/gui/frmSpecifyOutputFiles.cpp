#include "frmSpecifyOutputFiles.h"

#include "Twips.h"
#include "core/Interaction.h"
#include "files/folder.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <optional>

namespace {

constexpr int Margin = 240;
constexpr int Indent = 480;
constexpr int OptionHeight = 285;
constexpr int SingleFileTop = 150;
constexpr int SingleFileLabelTop = 420;
constexpr int ListTop = 735;
constexpr int ListHeight = 1920;
constexpr int NewFileTop = 2835;
constexpr int NewFileBoxTop = 3165;
constexpr int ExtensionTop = 3645;
constexpr int ExtensionBoxTop = 3975;
constexpr int FilespecTop = 4455;
constexpr int FilespecBoxTop = 4785;
constexpr int LabelWidth = 1800;
constexpr int BoxWidth = 2400;
constexpr int BoxHeight = 315;
constexpr int ButtonTop = 5550;
constexpr int ButtonWidth = 1095;
constexpr int ButtonHeight = 375;
constexpr int Gap = 150;

std::optional<FileChoiceResult>& NextResult()
{
    static std::optional<FileChoiceResult> next;
    return next;
}

} // namespace

frmSpecifyOutputFiles::frmSpecifyOutputFiles(QWidget* parent, Interaction& interaction)
    : QDialog(parent), m_interaction(interaction)
{
    setObjectName(QStringLiteral("frmSpecifyOutputFiles"));
    setWindowTitle(QStringLiteral("Specify output files"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    optSingleFile = new QRadioButton(this);
    lblSingleFile = new QLabel(this);
    File = new QListWidget(this);
    File->setSelectionMode(QAbstractItemView::SingleSelection);
    optNewFile = new QRadioButton(this);
    txbNewFile = new QLineEdit(this);
    optExtension = new QRadioButton(this);
    lblExtension = new QLabel(this);
    txbExtension = new QLineEdit(this);
    optMultipleFiles = new QRadioButton(this);
    lblFilespec = new QLabel(this);
    txbFilespec = new QLineEdit(this);
    cmdAccept = new QPushButton(QStringLiteral("Accept"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    for (QLineEdit* box : {txbNewFile, txbExtension, txbFilespec})
        box->setFont(QFont(QStringLiteral("Liberation Mono"), 10));
    for (QLabel* label : {lblSingleFile, lblExtension, lblFilespec})
        label->setTextFormat(Qt::PlainText);
    for (QLabel* label : {lblExtension, lblFilespec})
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QObject* watched :
         {static_cast<QObject*>(txbNewFile), static_cast<QObject*>(txbExtension),
          static_cast<QObject*>(txbFilespec), static_cast<QObject*>(lblSingleFile),
          static_cast<QObject*>(lblExtension), static_cast<QObject*>(lblFilespec),
          static_cast<QObject*>(File->viewport())})
        watched->installEventFilter(this);

    connect(File, &QListWidget::itemDoubleClicked, this, [this] {
        optSingleFile->setChecked(true);
        cmdAccept_Click();
    });
    connect(optNewFile, &QRadioButton::clicked, txbNewFile, qOverload<>(&QWidget::setFocus));
    connect(optExtension, &QRadioButton::clicked, txbExtension, qOverload<>(&QWidget::setFocus));
    connect(optMultipleFiles, &QRadioButton::clicked, txbFilespec, qOverload<>(&QWidget::setFocus));
    connect(txbNewFile, &QLineEdit::textEdited, optNewFile,
            [this] { optNewFile->setChecked(true); });
    connect(txbExtension, &QLineEdit::textEdited, optExtension,
            [this] { optExtension->setChecked(true); });
    connect(txbFilespec, &QLineEdit::textEdited, optMultipleFiles,
            [this] { optMultipleFiles->setChecked(true); });
    connect(cmdAccept, &QPushButton::clicked, this, &frmSpecifyOutputFiles::cmdAccept_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    Arrange();
}

void frmSpecifyOutputFiles::Arrange()
{
    setFixedSize(Twips::ToPixels(FormWidth), Twips::ToPixels(FormHeight));
    const int optionWidth = FormWidth - 2 * Margin;
    const int boxLeft = Indent + LabelWidth + Gap;
    optSingleFile->setGeometry(Twips::Rect(Margin, SingleFileTop, optionWidth, OptionHeight));
    lblSingleFile->setGeometry(
        Twips::Rect(Indent, SingleFileLabelTop, FormWidth - Indent - Margin, OptionHeight));
    File->setGeometry(Twips::Rect(Indent, ListTop, FormWidth - Indent - Margin, ListHeight));
    optNewFile->setGeometry(Twips::Rect(Margin, NewFileTop, optionWidth, OptionHeight));
    txbNewFile->setGeometry(
        Twips::Rect(Indent, NewFileBoxTop, FormWidth - Indent - Margin, BoxHeight));
    optExtension->setGeometry(Twips::Rect(Margin, ExtensionTop, optionWidth, OptionHeight));
    lblExtension->setGeometry(Twips::Rect(Indent, ExtensionBoxTop, LabelWidth, BoxHeight));
    txbExtension->setGeometry(Twips::Rect(boxLeft, ExtensionBoxTop, BoxWidth, BoxHeight));
    optMultipleFiles->setGeometry(Twips::Rect(Margin, FilespecTop, optionWidth, OptionHeight));
    lblFilespec->setGeometry(Twips::Rect(Indent, FilespecBoxTop, LabelWidth, BoxHeight));
    txbFilespec->setGeometry(Twips::Rect(boxLeft, FilespecBoxTop, BoxWidth, BoxHeight));
    const int cancelLeft = FormWidth - Margin - ButtonWidth;
    cmdCancel->setGeometry(Twips::Rect(cancelLeft, ButtonTop, ButtonWidth, ButtonHeight));
    cmdAccept->setGeometry(
        Twips::Rect(cancelLeft - Gap - ButtonWidth, ButtonTop, ButtonWidth, ButtonHeight));
}

void frmSpecifyOutputFiles::SetNextResult(const FileChoiceResult& result)
{
    NextResult() = result;
}

FileChoiceResult frmSpecifyOutputFiles::Run(const QString& folder, bool blnEncrypt,
                                            qint64 intNumFiles)
{
    if (NextResult()) {
        const FileChoiceResult result = *NextResult();
        NextResult().reset();
        return result;
    }
    Rebuild(folder, blnEncrypt, intNumFiles);
    exec();
    return m_result;
}

void frmSpecifyOutputFiles::Rebuild(const QString& folder, bool blnEncrypt, qint64 intNumFiles)
{
    blnAccept = false;
    m_result = {};
    const QString verb = blnEncrypt ? QStringLiteral("Encrypt") : QStringLiteral("Decrypt");
    optSingleFile->setText(verb + QStringLiteral(" to an existing file"));
    lblSingleFile->setText(QStringLiteral("(which will be overwritten):"));
    optNewFile->setText(verb + QStringLiteral(" to a new file:"));
    optExtension->setText(verb + QStringLiteral(" to files with a particular extension"));
    lblExtension->setText(blnEncrypt ? QStringLiteral("e.g., enc:")
                                     : QStringLiteral("e.g., txt or doc:"));
    optMultipleFiles->setText(verb + QStringLiteral(" to files satisfying a file specification"));
    lblFilespec->setText(blnEncrypt ? QStringLiteral("e.g., a*.e*:")
                                    : QStringLiteral("e.g., a*.d*:"));
    txbNewFile->clear();
    txbExtension->clear();
    txbFilespec->clear();

    QStringList files;
    QStringList subfolders;
    QString errorText;
    File->clear();
    if (folder::ListFolder(folder, files, subfolders, errorText))
        File->addItems(files);

    const bool haveFiles = intNumFiles != 0;
    optSingleFile->setEnabled(haveFiles);
    lblSingleFile->setEnabled(haveFiles);
    File->setEnabled(haveFiles);
    if (haveFiles)
        optSingleFile->setChecked(true);
    else
        optExtension->setChecked(true);
    cmdCancel->setFocus();
}

void frmSpecifyOutputFiles::cmdAccept_Click()
{
    if (optSingleFile->isChecked()) {
        const QList<QListWidgetItem*> selected = File->selectedItems();
        Finish(!selected.isEmpty(), Choice::SingleFile,
               selected.isEmpty() ? QString() : selected.first()->text());
    } else if (optNewFile->isChecked()) {
        const QString name = txbNewFile->text().trimmed();
        Finish(!name.isEmpty(), Choice::NewFile, name);
    } else if (optExtension->isChecked()) {
        QString extension;
        if (!FileChoice::BareExtension(txbExtension->text(), extension)) {
            m_interaction.Tell(QStringLiteral("Error"), FileChoice::DotInExtensionText(),
                               Interaction::Icon::Exclamation);
            return;
        }
        Finish(!extension.isEmpty(), Choice::Extension, extension);
    } else {
        const QString spec = txbFilespec->text().trimmed();
        Finish(!spec.isEmpty(), Choice::FileSpec, spec);
    }
}

void frmSpecifyOutputFiles::Finish(bool accepted, Choice choice, const QString& text)
{
    blnAccept = accepted;
    m_result = {accepted, choice, text};
    // done() rather than reject(), which would count as Cancel.
    done(accepted ? QDialog::Accepted : QDialog::Rejected);
}

// Cancel, Escape and the close box all come here.
void frmSpecifyOutputFiles::reject()
{
    blnAccept = false;
    m_result = {};
    QDialog::reject();
}

QRadioButton* frmSpecifyOutputFiles::OptionOf(QObject* watched) const
{
    if (watched == txbNewFile)
        return optNewFile;
    if (watched == txbExtension || watched == lblExtension)
        return optExtension;
    if (watched == txbFilespec || watched == lblFilespec)
        return optMultipleFiles;
    return optSingleFile; // lblSingleFile
}

bool frmSpecifyOutputFiles::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == File->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            optSingleFile->setChecked(true);
        return QDialog::eventFilter(watched, event);
    }
    auto* box = qobject_cast<QLineEdit*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (OptionOf(watched)->isEnabled())
            OptionOf(watched)->setChecked(true);
        break;
    case QEvent::Enter:
        if (box)
            box->setFocus();
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (box && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            cmdAccept_Click();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
