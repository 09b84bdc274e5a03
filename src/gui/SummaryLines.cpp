#include "SummaryLines.h"

#include "FilesLine.h"
#include "MainWindowGrid.h"
#include "Twips.h"
#include "core/FileSummary.h"
#include "core/SetupEditor.h"
#include "support/TxtEncDec.h"

#include <QLabel>
#include <QPushButton>

#include <iterator>

using namespace MainWindowGrid;

namespace {

// The words that name the function, in both forms. TxtEncDec switches them in English and the
// form it gives is translated afterwards; they are listed here so that lupdate collects both.
[[maybe_unused]] constexpr const char* FunctionWords[] = {
    QT_TRANSLATE_NOOP("frmMain", "Encryption"), QT_TRANSLATE_NOOP("frmMain", "Decryption"),
    QT_TRANSLATE_NOOP("frmMain", "Encrypt"), QT_TRANSLATE_NOOP("frmMain", "Decrypt")};

} // namespace

SummaryLines::SummaryLines(QWidget& parent, SetupEditor& editor, QPushButton& keyCommand,
                           const QWidget& setupRow)
    : m_parent(parent), m_editor(editor), m_keyCommand(keyCommand)
{
    const int valueWidth = WindowWidth - ValueLeft - 120;
    const int captionWidth = ValueLeft - CaptionLeft - 60;
    const char* const captions[] = {QT_TR_NOOP("Function:"),
                                    nullptr,
                                    QT_TR_NOOP("Input folder:"),
                                    QT_TR_NOOP("Input file(s):"),
                                    QT_TR_NOOP("Subfolders:"),
                                    QT_TR_NOOP("Output same:"),
                                    QT_TR_NOOP("Output folder:"),
                                    QT_TR_NOOP("Output file(s):"),
                                    QT_TR_NOOP("Key:")};
    // Read alone, a value ("Yes", a folder) does not say what it is: its caption does.
    for (int row = 0; row < int(std::size(captions)); ++row)
        if (captions[row] != nullptr)
            m_rowCaptions[row] = tr(captions[row]).remove(QLatin1Char(':')).trimmed();
    m_rowCaptions[1] = tr("Hint");
    m_rowCaptions[12] = tr("The operation file the setup came from");
    // Row by row, each caption before its values: a screen reader reads the labels in the
    // order they were made.
    const auto caption = [&](int row) {
        AddLabel(nullptr, CaptionLeft, row, captionWidth, tr(captions[row]));
    };
    caption(0);
    lblFunction = AddLabel("lblFunction", ValueLeft, 0, 1300);
    lblFunction2 = AddLabel("lblFunction2", ValueLeft + 1300, 0, valueWidth - 1300);
    lblSingleFile = AddLabel("lblSingleFile", CaptionLeft, 1, WindowWidth - CaptionLeft - 120);
    const char* const directoryNames[] = {"lblDirectory0", "lblDirectory1"};
    const char* const filesNames[] = {"lblFiles0", "lblFiles1"};
    const char* const filesNames2[] = {"lblFiles20", "lblFiles21"};
    const auto addSide = [&](int side) {
        const int row = side == Setup::Input ? 2 : 6;
        caption(row);
        lblDirectory[side] = AddLabel(directoryNames[side], ValueLeft, row, valueWidth);
        caption(row + 1);
        lblFiles[side] = AddLabel(filesNames[side], ValueLeft, row + 1, valueWidth);
        lblFiles2[side] = AddLabel(filesNames2[side], ValueLeft, row + 1, valueWidth);
    };
    addSide(Setup::Input);
    caption(4);
    lblSubdirectories = AddLabel("lblSubdirectories", ValueLeft, 4, 600);
    lblSubdirectories2 = AddLabel("lblSubdirectories2", ValueLeft + 600, 4, valueWidth - 600);
    caption(5);
    lblOutputFilesSame = AddLabel("lblOutputFilesSame", ValueLeft, 5, 600);
    lblOutputFilesSame2 = AddLabel("lblOutputFilesSame2", ValueLeft + 600, 5, valueWidth - 600);
    addSide(Setup::Output);
    caption(8);
    lblKeyFrom = AddLabel("lblKeyFrom", ValueLeft, 8, valueWidth);
    const int filenameLeft = Twips::FromPixels(setupRow.x());
    lblSetupFilename =
        AddLabel("lblSetupFilename", filenameLeft, 12, WindowWidth - filenameLeft - 120);
    lblSetupFilename->hide();
}

QLabel* SummaryLines::AddLabel(const char* name, int left, int row, int width, const QString& text)
{
    auto* label = new QLabel(text, &m_parent);
    if (name != nullptr) {
        label->setObjectName(QString::fromLatin1(name));
        label->setAccessibleDescription(m_rowCaptions[row]);
    }
    label->setGeometry(Twips::Rect(left, RowY(row) + 60, width, LabelHeight));
    return label;
}

void SummaryLines::FunctionChanged()
{
    const bool encrypt = m_editor.setup().blnEncrypt;
    const auto word = [encrypt](const char* english) {
        return tr(TxtEncDec(QString::fromLatin1(english), encrypt).toLatin1().constData());
    };
    lblFunction->setText(word("Encryption"));
    // Repairable files concern only what an encryption writes.
    const bool repairable = encrypt && m_editor.setup().blnRepairable;
    lblFunction2->setText(
        QLatin1Char('(') + word("Encrypt") +
        (repairable ? tr(" the input files as repairable files.)") : tr(" the input files.)")));
    m_keyCommand.setText(word("Encryption") + tr(" &key"));
    RefreshHintLine();
}

void SummaryLines::SubdirectoriesChanged(bool inputHasSubfolders)
{
    if (!inputHasSubfolders) {
        lblSubdirectories->setText(tr("No"));
        lblSubdirectories2->setText(tr("(The input folder has no subfolders.)"));
        return;
    }
    const bool included = m_editor.setup().blnSubdirectories;
    lblSubdirectories->setText(included ? tr("Yes") : tr("No"));
    lblSubdirectories2->setText(included
                                    ? tr("(Operate on all specified files in lower subfolders.)")
                                    : tr("(Do not operate on files in lower subfolders.)"));
}

void SummaryLines::OutputFilesSameChanged()
{
    const bool same = m_editor.setup().blnOutputFilesSame;
    lblOutputFilesSame->setText(same ? tr("Yes") : tr("No"));
    lblOutputFilesSame2->setText(
        same ? tr("(The output files are the same as the input files.)")
             : tr("(The output files normally are different from the input files.)"));
}

void SummaryLines::KeyCleared()
{
    lblKeyFrom->setText(m_editor.setup().strNotSpecifiedWord);
}

void SummaryLines::SetupFilenameChanged(const QString& path)
{
    lblSetupFilename->setText(path);
}

void SummaryLines::SetSetupFilenameShown(bool shown)
{
    lblSetupFilename->setVisible(shown);
}

QString SummaryLines::KeyLine() const
{
    return lblKeyFrom->text();
}

void SummaryLines::SetKeyLine(const QString& text)
{
    lblKeyFrom->setText(text);
}

int SummaryLines::KeyLineTop() const
{
    return lblKeyFrom->y();
}

void SummaryLines::RefreshSide(int side)
{
    const Setup& setup = m_editor.setup();
    const QString& notSpecified = setup.strNotSpecifiedWord;
    lblDirectory[side]->setText(setup.strDirpath[side].isEmpty() ? notSpecified
                                                                 : setup.strDirpath[side]);
    FilesLine::Show(lblFiles[side], lblFiles2[side],
                    setup.strFilespec[side].isEmpty() ? notSpecified : setup.strFilespec[side],
                    QString());
    m_parent.window()->repaint(); // the next step may read the file
    const SideSummary summary = FileSummary::Describe(m_editor.setup(), side);
    lblDirectory[side]->setText(summary.folderLine);
    FilesLine::Show(lblFiles[side], lblFiles2[side], summary.filesLine, summary.comment);
    RefreshHintLine();
}

void SummaryLines::RefreshHintLine()
{
    const QString hint = FileSummary::HintLine(m_editor.setup());
    lblSingleFile->setText(hint);
    lblSingleFile->setVisible(!hint.isEmpty()); // an empty line is nothing to read out
}
