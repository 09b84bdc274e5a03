#include "FileChoiceDialog.h"

#include "Twips.h"
#include "files/NameBytes.h"
#include "files/folder.h"
#include "support/Interaction.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int SingleFileTop = 150;
constexpr int BoxBelowOption = 330;
constexpr int LabelWidth = 1800;
constexpr int BoxWidth = 2400;
constexpr int ButtonWidth = 1095;
constexpr int ButtonHeight = 375;
constexpr int Gap = 150;

} // namespace

FileChoiceDialog::FileChoiceDialog(QWidget* parent, Interaction& interaction, const QString& name,
                                   const QString& title)
    : QDialog(parent), m_interaction(interaction)
{
    setObjectName(name);
    setWindowTitle(title);
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    optSingleFile = new QRadioButton(this);
    File = new QListWidget(this);
    File->setSelectionMode(QAbstractItemView::SingleSelection);
    File->setAccessibleName(tr("Files in the folder"));
    optExtension = new QRadioButton(this);
    lblExtension = new QLabel(this);
    txbExtension = new QLineEdit(this);
    txbExtension->setAccessibleName(tr("Extension"));
    optMultipleFiles = new QRadioButton(this);
    lblFilespec = new QLabel(this);
    txbFilespec = new QLineEdit(this);
    txbFilespec->setAccessibleName(tr("File specification"));
    cmdAccept = new QPushButton(tr("Accept"), this);
    cmdCancel = new QPushButton(tr("Cancel"), this);
    PrepareBox(txbExtension);
    PrepareBox(txbFilespec);
    for (QLabel* label : {lblExtension, lblFilespec}) {
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->installEventFilter(this);
    }
    File->viewport()->installEventFilter(this);

    connect(File, &QListWidget::itemDoubleClicked, this, [this] {
        optSingleFile->setChecked(true);
        cmdAccept_Click();
    });
    connect(optExtension, &QRadioButton::clicked, txbExtension, qOverload<>(&QWidget::setFocus));
    connect(optMultipleFiles, &QRadioButton::clicked, txbFilespec, qOverload<>(&QWidget::setFocus));
    connect(txbExtension, &QLineEdit::textEdited, optExtension,
            [this] { optExtension->setChecked(true); });
    connect(txbFilespec, &QLineEdit::textEdited, optMultipleFiles,
            [this] { optMultipleFiles->setChecked(true); });
    connect(cmdAccept, &QPushButton::clicked, this, &FileChoiceDialog::cmdAccept_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FileChoiceDialog::PrepareBox(QLineEdit* box)
{
    box->setFont(QFont(QStringLiteral("Liberation Mono"), 10));
    box->installEventFilter(this);
}

void FileChoiceDialog::ArrangeShared(int formHeight, int listTop, int listHeight, int extensionTop,
                                     int filespecTop, int buttonTop)
{
    setFixedSize(Twips::ToPixels(DialogWidth), Twips::ToPixels(formHeight));
    const int optionWidth = DialogWidth - 2 * Margin;
    const int boxLeft = Indent + LabelWidth + Gap;
    const int extensionBoxTop = extensionTop + BoxBelowOption;
    const int filespecBoxTop = filespecTop + BoxBelowOption;
    optSingleFile->setGeometry(Twips::Rect(Margin, SingleFileTop, optionWidth, OptionHeight));
    File->setGeometry(Twips::Rect(Indent, listTop, DialogWidth - Indent - Margin, listHeight));
    optExtension->setGeometry(Twips::Rect(Margin, extensionTop, optionWidth, OptionHeight));
    lblExtension->setGeometry(Twips::Rect(Indent, extensionBoxTop, LabelWidth, BoxHeight));
    txbExtension->setGeometry(Twips::Rect(boxLeft, extensionBoxTop, BoxWidth, BoxHeight));
    optMultipleFiles->setGeometry(Twips::Rect(Margin, filespecTop, optionWidth, OptionHeight));
    lblFilespec->setGeometry(Twips::Rect(Indent, filespecBoxTop, LabelWidth, BoxHeight));
    txbFilespec->setGeometry(Twips::Rect(boxLeft, filespecBoxTop, BoxWidth, BoxHeight));
    const int cancelLeft = DialogWidth - Margin - ButtonWidth;
    cmdCancel->setGeometry(Twips::Rect(cancelLeft, buttonTop, ButtonWidth, ButtonHeight));
    cmdAccept->setGeometry(
        Twips::Rect(cancelLeft - Gap - ButtonWidth, buttonTop, ButtonWidth, ButtonHeight));
}

FileChoiceResult FileChoiceDialog::RunOnce(std::optional<FileChoiceResult>& next,
                                           const QString& folder, bool blnEncrypt,
                                           qint64 intNumFiles)
{
    if (next) {
        const FileChoiceResult result = *next;
        next.reset();
        return result;
    }
    Rebuild(folder, blnEncrypt, intNumFiles);
    exec();
    return m_result;
}

void FileChoiceDialog::ResetShared(const QString& folder, const QString& extensionExample,
                                   const QString& filespecExample)
{
    blnAccept = false;
    m_result = {};
    lblExtension->setText(extensionExample);
    lblFilespec->setText(filespecExample);
    txbExtension->setAccessibleDescription(extensionExample);
    txbFilespec->setAccessibleDescription(filespecExample);
    txbExtension->clear();
    txbFilespec->clear();

    folder::FolderListing listing;
    QString errorText;
    File->clear();
    if (!folder::ListFolder(folder, listing, errorText))
        return;
    File->addItems(listing.files);
    // Shown, so that the list accounts for every file, but not for picking: the program
    // cannot open a file under such a name.
    for (const QByteArray& name : std::as_const(listing.unreadableFiles)) {
        auto* item = new QListWidgetItem(NameBytes::Escaped(name), File);
        item->setFlags(Qt::NoItemFlags);
        item->setToolTip(tr("The name of this file is not valid UTF-8, so the "
                            "program cannot open it. Rename the file to use it."));
    }
}

void FileChoiceDialog::StartShared(bool haveFiles)
{
    optSingleFile->setEnabled(haveFiles);
    File->setEnabled(haveFiles);
    if (haveFiles)
        optSingleFile->setChecked(true);
    else
        optExtension->setChecked(true);
    cmdCancel->setFocus();
}

void FileChoiceDialog::cmdAccept_Click()
{
    if (optSingleFile->isChecked()) {
        const QList<QListWidgetItem*> selected = File->selectedItems();
        Finish(!selected.isEmpty(), Choice::SingleFile,
               selected.isEmpty() ? QString() : selected.first()->text());
    } else if (AcceptOwnOption()) {
        return;
    } else if (optExtension->isChecked()) {
        QString extension;
        if (!FileChoice::BareExtension(txbExtension->text(), extension)) {
            m_interaction.Tell(tr("Error"), FileChoice::DotInExtensionText(),
                               Interaction::Icon::Exclamation);
            return;
        }
        Finish(!extension.isEmpty(), Choice::Extension, extension);
    } else {
        const QString spec = txbFilespec->text().trimmed();
        Finish(!spec.isEmpty(), Choice::FileSpec, spec);
    }
}

void FileChoiceDialog::Finish(bool accepted, Choice choice, const QString& text)
{
    blnAccept = accepted;
    m_result = {accepted, choice, text};
    // done() rather than reject(), which would count as Cancel.
    done(accepted ? QDialog::Accepted : QDialog::Rejected);
}

// Cancel, Escape and the close box all come here.
void FileChoiceDialog::reject()
{
    blnAccept = false;
    m_result = {};
    QDialog::reject();
}

QRadioButton* FileChoiceDialog::OptionOf(QObject* watched) const
{
    if (watched == txbExtension || watched == lblExtension)
        return optExtension;
    if (watched == txbFilespec || watched == lblFilespec)
        return optMultipleFiles;
    return nullptr;
}

bool FileChoiceDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == File->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            optSingleFile->setChecked(true);
        return QDialog::eventFilter(watched, event);
    }
    auto* box = qobject_cast<QLineEdit*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (QRadioButton* option = OptionOf(watched); option && option->isEnabled())
            option->setChecked(true);
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
