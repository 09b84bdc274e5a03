#include "frmSpecifyInputFiles.h"

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
constexpr int ListTop = 450;
constexpr int ListHeight = 2160;
constexpr int AllFilesTop = 2790;
constexpr int ExtensionTop = 3195;
constexpr int ExtensionBoxTop = 3525;
constexpr int FilespecTop = 4005;
constexpr int FilespecBoxTop = 4335;
constexpr int LabelWidth = 1800;
constexpr int BoxWidth = 2400;
constexpr int BoxHeight = 315;
constexpr int ButtonTop = 5040;
constexpr int ButtonWidth = 1095;
constexpr int ButtonHeight = 375;
constexpr int Gap = 150;

std::optional<FileChoiceResult>& NextResult()
{
    static std::optional<FileChoiceResult> next;
    return next;
}

} // namespace

frmSpecifyInputFiles::frmSpecifyInputFiles(QWidget* parent, Interaction& interaction)
    : QDialog(parent), m_interaction(interaction)
{
    setObjectName(QStringLiteral("frmSpecifyInputFiles"));
    setWindowTitle(QStringLiteral("Specify input files"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    optSingleFile = new QRadioButton(this);
    File = new QListWidget(this);
    File->setSelectionMode(QAbstractItemView::SingleSelection);
    optAllFiles = new QRadioButton(this);
    optExtension = new QRadioButton(this);
    lblExtension = new QLabel(this);
    txbExtension = new QLineEdit(this);
    optMultipleFiles = new QRadioButton(this);
    lblFilespec = new QLabel(this);
    txbFilespec = new QLineEdit(this);
    cmdAccept = new QPushButton(QStringLiteral("Accept"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    for (QLineEdit* box : {txbExtension, txbFilespec})
        box->setFont(QFont(QStringLiteral("Liberation Mono"), 10));
    for (QLabel* label : {lblExtension, lblFilespec}) {
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    for (QObject* watched :
         {static_cast<QObject*>(txbExtension), static_cast<QObject*>(txbFilespec),
          static_cast<QObject*>(lblExtension), static_cast<QObject*>(lblFilespec),
          static_cast<QObject*>(File->viewport())})
        watched->installEventFilter(this);

    connect(File, &QListWidget::itemDoubleClicked, this, [this] {
        optSingleFile->setChecked(true);
        cmdAccept_Click();
    });
    connect(optAllFiles, &QRadioButton::clicked, cmdAccept, qOverload<>(&QWidget::setFocus));
    connect(optExtension, &QRadioButton::clicked, txbExtension, qOverload<>(&QWidget::setFocus));
    connect(optMultipleFiles, &QRadioButton::clicked, txbFilespec, qOverload<>(&QWidget::setFocus));
    connect(txbExtension, &QLineEdit::textEdited, optExtension,
            [this] { optExtension->setChecked(true); });
    connect(txbFilespec, &QLineEdit::textEdited, optMultipleFiles,
            [this] { optMultipleFiles->setChecked(true); });
    connect(cmdAccept, &QPushButton::clicked, this, &frmSpecifyInputFiles::cmdAccept_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    Arrange();
}

void frmSpecifyInputFiles::Arrange()
{
    setFixedSize(Twips::ToPixels(FormWidth), Twips::ToPixels(FormHeight));
    const int optionWidth = FormWidth - 2 * Margin;
    const int boxLeft = Indent + LabelWidth + Gap;
    optSingleFile->setGeometry(Twips::Rect(Margin, Margin - 90, optionWidth, OptionHeight));
    File->setGeometry(Twips::Rect(Indent, ListTop, FormWidth - Indent - Margin, ListHeight));
    optAllFiles->setGeometry(Twips::Rect(Margin, AllFilesTop, optionWidth, OptionHeight));
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

void frmSpecifyInputFiles::SetNextResult(const FileChoiceResult& result)
{
    NextResult() = result;
}

FileChoiceResult frmSpecifyInputFiles::Run(const QString& folder, bool blnEncrypt,
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

void frmSpecifyInputFiles::Rebuild(const QString& folder, bool blnEncrypt, qint64 intNumFiles)
{
    blnAccept = false;
    m_result = {};
    const QString verb = blnEncrypt ? QStringLiteral("Encrypt") : QStringLiteral("Decrypt");
    optSingleFile->setText(verb + QStringLiteral(" a single file:"));
    optAllFiles->setText(verb + QStringLiteral(" all files (*.*)"));
    optExtension->setText(verb + QStringLiteral(" all files with a particular extension"));
    lblExtension->setText(blnEncrypt ? QStringLiteral("e.g., txt or doc:")
                                     : QStringLiteral("e.g., enc:"));
    optMultipleFiles->setText(verb + QStringLiteral(" all files satisfying a file specification"));
    lblFilespec->setText(blnEncrypt ? QStringLiteral("e.g., a*.d*:")
                                    : QStringLiteral("e.g., a*.e*:"));
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
    File->setEnabled(haveFiles);
    optAllFiles->setEnabled(true);
    if (haveFiles)
        optSingleFile->setChecked(true);
    else
        optExtension->setChecked(true);
    cmdCancel->setFocus();
}

void frmSpecifyInputFiles::cmdAccept_Click()
{
    if (optSingleFile->isChecked()) {
        const QList<QListWidgetItem*> selected = File->selectedItems();
        Finish(!selected.isEmpty(), Choice::SingleFile,
               selected.isEmpty() ? QString() : selected.first()->text());
    } else if (optAllFiles->isChecked()) {
        Finish(true, Choice::AllFiles, QString());
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

void frmSpecifyInputFiles::Finish(bool accepted, Choice choice, const QString& text)
{
    blnAccept = accepted;
    m_result = {accepted, choice, text};
    // done() rather than reject(), which would count as Cancel.
    done(accepted ? QDialog::Accepted : QDialog::Rejected);
}

// Cancel, Escape and the close box all come here.
void frmSpecifyInputFiles::reject()
{
    blnAccept = false;
    m_result = {};
    QDialog::reject();
}

QRadioButton* frmSpecifyInputFiles::OptionOf(QObject* watched) const
{
    if (watched == txbExtension || watched == lblExtension)
        return optExtension;
    if (watched == txbFilespec || watched == lblFilespec)
        return optMultipleFiles;
    return nullptr;
}

bool frmSpecifyInputFiles::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == File->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            optSingleFile->setChecked(true);
        return QDialog::eventFilter(watched, event);
    }
    QRadioButton* option = OptionOf(watched);
    auto* box = qobject_cast<QLineEdit*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
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
