#include "GuiKeyDialogs.h"

#include "CommandWindow.h"
#include "FileDialog.h"
#include "Twips.h"
#include "frmInspectKey.h"
#include "frmKeyboardWithDisplay.h"
#include "frmKeyboardWithoutDisplay.h"
#include "frmRandomKey.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>

namespace {

// The windows keep this distance from the main window's bottom (and right) edge.
constexpr int Inset = 120;

KeyDialogs::Outcome OutcomeOf(bool yes, bool no)
{
    return yes ? KeyDialogs::Outcome::Yes
               : (no ? KeyDialogs::Outcome::No : KeyDialogs::Outcome::Cancel);
}

} // namespace

GuiKeyDialogs::GuiKeyDialogs(CommandWindow& window, Interaction& interaction)
    : m_window(window), m_interaction(interaction)
{
}

frmKeyboardWithDisplay& GuiKeyDialogs::KeyboardWithDisplay()
{
    if (!m_withDisplay)
        m_withDisplay = new frmKeyboardWithDisplay(&m_window.mainWindow());
    return *m_withDisplay;
}

frmKeyboardWithoutDisplay& GuiKeyDialogs::KeyboardWithoutDisplay()
{
    if (!m_withoutDisplay)
        m_withoutDisplay = new frmKeyboardWithoutDisplay(m_interaction, InspectionWindow(),
                                                         &m_window.mainWindow());
    return *m_withoutDisplay;
}

frmInspectKey& GuiKeyDialogs::InspectionWindow()
{
    if (!m_inspect)
        m_inspect = new frmInspectKey(m_interaction, &m_window.mainWindow());
    return *m_inspect;
}

frmRandomKey& GuiKeyDialogs::RandomKeyWindow()
{
    if (!m_random)
        m_random = new frmRandomKey(&m_window.mainWindow());
    return *m_random;
}

// As wide as the main window, at its left edge, the bottom edge 120 twips above the main
// window's bottom edge.
void GuiKeyDialogs::PlaceTypingDialog(QWidget& dialog)
{
    const QRect main = m_window.mainWindow().geometry();
    const int height = dialog.height();
    dialog.setGeometry(main.left(), main.top() + main.height() - height - Twips::ToPixels(Inset),
                       main.width(), height);
}

// Right and bottom edges 120 twips inside the main window's right and bottom edges.
void GuiKeyDialogs::PlaceAtLowerRight(QWidget& window)
{
    const QRect main = m_window.mainWindow().geometry();
    const int inset = Twips::ToPixels(Inset);
    window.setGeometry(main.left() + main.width() - window.width() - inset,
                       main.top() + main.height() - window.height() - inset, window.width(),
                       window.height());
}

KeyDialogs::Outcome GuiKeyDialogs::TypeKeyWithDisplay(const QString& prompt, QString& typed)
{
    frmKeyboardWithDisplay& dialog = KeyboardWithDisplay();
    dialog.lblEntertheKey->setText(prompt);
    PlaceTypingDialog(dialog);
    dialog.exec();
    typed = dialog.txbKey->text();
    dialog.txbKey->clear();
    return OutcomeOf(dialog.blnYes, dialog.blnNo);
}

KeyDialogs::Outcome GuiKeyDialogs::TypeKeyWithoutDisplay(const QString& prompt, QString& typed)
{
    frmKeyboardWithoutDisplay& dialog = KeyboardWithoutDisplay();
    dialog.lblEntertheKey->setText(prompt);
    PlaceTypingDialog(dialog);
    dialog.exec();
    typed = dialog.txbKey[0]->text();
    dialog.txbKey[1]->clear();
    dialog.txbKey[0]->clear();
    return OutcomeOf(dialog.blnYes, dialog.blnNo);
}

QString GuiKeyDialogs::ChooseKeyfile(const QString& title)
{
    // A name that does not exist yet is a valid answer: it becomes a new random keyfile. "*"
    // rather than "*.*": on Linux many files have no dot in their name.
    const QString path =
        FileDialog::getAnyFileName(&m_window.mainWindow(), title,
                                   QCoreApplication::translate("GuiKeyDialogs", "All files (*)"));
    // The release that closed the dialog must not press the main window's button beneath it.
    m_window.SetClickGuard();
    return path;
}

QByteArray GuiKeyDialogs::CollectRandomKey()
{
    frmRandomKey& window = RandomKeyWindow();
    PlaceAtLowerRight(window);
    window.exec();
    QByteArray key = window.strRandomKey;
    window.strRandomKey = QByteArray();
    return key;
}

bool GuiKeyDialogs::InspectKey(const KeyInspection& inspection)
{
    frmInspectKey& window = InspectionWindow();
    window.SetKey(inspection);
    PlaceAtLowerRight(window);
    window.exec();
    return window.blnUseThisKey;
}
