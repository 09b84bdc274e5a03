#include "frmKeyboardWithoutDisplay.h"

#include "Twips.h"
#include "frmInspectKey.h"
#include "frmKeyboardWithDisplay.h"
#include "keys/Windows1252.h"
#include "keys/ZR7KeyFrom.h"
#include "support/Interaction.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {

constexpr int DefaultWidth = 10800;
constexpr int Margin = 120;
constexpr int RightMargin = 300;
constexpr int LabelHeight = 255;
constexpr int BoxHeight = 345;
constexpr int BoxTop[2] = {450, 1290};
constexpr int ReEnterTop = 960;
constexpr int ButtonTop = 1860;
// With OK 650 twips wide, the placement rule below ends Cancel exactly where the boxes end.
constexpr int OkWidth = 650;
constexpr int CancelWidth = 900;
constexpr int ButtonHeight = 375;

// Only blanks count as leading or trailing here, as in the key rules.
QString TrimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

} // namespace

frmKeyboardWithoutDisplay::frmKeyboardWithoutDisplay(Interaction& interaction,
                                                     frmInspectKey& inspector, QWidget* parent)
    : QDialog(parent), m_interaction(interaction), m_inspector(inspector)
{
    setObjectName(QStringLiteral("frmKeyboardWithoutDisplay"));
    setWindowTitle(tr("Type key (without display)"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    CreateControls();

    for (int i = 0; i < 2; ++i)
        connect(txbKey[i], &QLineEdit::textChanged, this, [this, i] { txbKey_Change(i); });
    connect(cmdOK, &QPushButton::clicked, this, &frmKeyboardWithoutDisplay::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// The dialog is as wide as the main window when it is created; the boxes reach to 300 twips
// from its right edge and Cancel ends there too.
void frmKeyboardWithoutDisplay::CreateControls()
{
    const int width = parentWidget() ? Twips::FromPixels(parentWidget()->width()) : DefaultWidth;
    setFixedSize(Twips::ToPixels(width), Twips::ToPixels(FormHeight));

    lblEntertheKey = new QLabel(this);
    lblEntertheKey->setTextFormat(Qt::PlainText);
    lblEntertheKey->setGeometry(Twips::Rect(Margin, Margin, width - 2 * Margin, LabelHeight));
    lblReEnterTheKey = new QLabel(tr("When done, re-enter the key exactly as above:"), this);
    lblReEnterTheKey->setGeometry(Twips::Rect(Margin, ReEnterTop, width - 2 * Margin, LabelHeight));
    for (int i = 0; i < 2; ++i) {
        txbKey[i] = new QLineEdit(this);
        txbKey[i]->setGeometry(
            Twips::Rect(Margin, BoxTop[i], width - Margin - RightMargin, BoxHeight));
        txbKey[i]->setFont(QFont(QStringLiteral("Liberation Mono"), 10));
        txbKey[i]->setMaxLength(ZR7KeyFrom::MaxKeyLength);
        txbKey[i]->setEchoMode(QLineEdit::Password);
        txbKey[i]->setStyleSheet(QStringLiteral("lineedit-password-character: 35;")); // "#"
        txbKey[i]->setValidator(frmKeyboardWithDisplay::NewKeyValidator(txbKey[i]));
        txbKey[i]->installEventFilter(this);
    }
    txbKey[0]->setAccessibleName(tr("Key"));
    txbKey[0]->setAccessibleDescription(tr("16 to 64 characters, not shown as you type."));
    txbKey[1]->setAccessibleName(tr("Key again"));
    txbKey[1]->setAccessibleDescription(tr("Re-enter the key exactly as above."));

    cmdOK = new QPushButton(tr("OK"), this);
    cmdCancel = new QPushButton(tr("Cancel"), this);
    const int okLeft = width - CancelWidth - 1050;
    cmdOK->setGeometry(Twips::Rect(okLeft, ButtonTop, OkWidth, ButtonHeight));
    cmdCancel->setGeometry(
        Twips::Rect(okLeft + OkWidth + 100, ButtonTop, CancelWidth, ButtonHeight));
    cmdOK->setDefault(true);
    cmdOK->installEventFilter(this);
    cmdCancel->installEventFilter(this);
    lblChecksumIs = new QLabel(QStringLiteral("Checksum is 2222."), this);
    lblChecksumIs->setGeometry(Twips::Rect(Margin, ButtonTop, okLeft - 2 * Margin, ButtonHeight));
}

void frmKeyboardWithoutDisplay::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        txbKey[1]->clear();
        txbKey[0]->clear();
        txbKey_Change(0);
        blnYes = false;
        blnNo = false;
        txbKey[0]->setFocus();
    }
    QDialog::showEvent(event);
}

void frmKeyboardWithoutDisplay::txbKey_Change(int index)
{
    const SecretBytes key = ZR7KeyFrom::NormalizedKey(txbKey[0]->text());
    const bool ok0 = key.size() >= ZR7KeyFrom::MinKeyLength;
    QFont font = lblReEnterTheKey->font();
    font.setBold(ok0); // tells the user that the repetition box is now open
    lblReEnterTheKey->setFont(font);
    txbKey[1]->setEnabled(ok0);
    lblChecksumIs->setVisible(ok0);
    cmdOK->setEnabled(ok0 && ZR7KeyFrom::NormalizedKey(txbKey[1]->text()).size() >=
                                 ZR7KeyFrom::MinKeyLength);
    // Typing the repetition never changes the checksum: it describes the first entry only.
    if (ok0 && index == 0) {
        QByteArray digest;
        lblChecksumIs->setText(
            ZR7KeyFrom::ChecksumText(ZR7KeyFrom::KeyChecksum(key.view(), digest)));
        digest.fill('\0');
    }
}

void frmKeyboardWithoutDisplay::cmdOK_Click()
{
    for (QLineEdit* box : txbKey)
        box->setText(TrimBlanks(box->text()));
    const SecretBytes first = ZR7KeyFrom::NormalizedKey(txbKey[0]->text());
    const SecretBytes second = ZR7KeyFrom::NormalizedKey(txbKey[1]->text());
    const bool match = first == second;
    if (!match) {
        m_interaction.Tell(tr("Error"), tr("The key entries do not match!"),
                           Interaction::Icon::Exclamation);
        txbKey[1]->clear();
        txbKey[0]->clear();
        txbKey[0]->setFocus();
        return;
    }
    accept();
    OfferInspection();
}

// The typed key can be looked at byte by byte before it is taken; declining it there means
// no key.
void frmKeyboardWithoutDisplay::OfferInspection()
{
    if (m_interaction.Ask(tr("Key specified"), tr("Inspect the key?"),
                          Interaction::Yes | Interaction::No,
                          Interaction::Yes) != Interaction::Yes) {
        blnYes = true;
        return;
    }
    KeyInspection inspection;
    inspection.keyBytes = Windows1252::FromUnicode(txbKey[0]->text());
    inspection.blnKeyText = true;
    inspection.classification = tr("Key entered at keyboard");
    m_inspector.SetKey(inspection);
    m_inspector.PlaceAtLastPosition();
    m_inspector.exec();
    (m_inspector.blnUseThisKey ? blnYes : blnNo) = true;
}

bool frmKeyboardWithoutDisplay::eventFilter(QObject* watched, QEvent* event)
{
    // Pointing at a button or a key box gives it the focus.
    if (event->type() == QEvent::Enter && static_cast<QWidget*>(watched)->isEnabled())
        static_cast<QWidget*>(watched)->setFocus();
    // Enter in the first box goes on to the repetition once the key is long enough, so that
    // the repetition is not typed onto the key by someone who cannot see either.
    if (watched == txbKey[0] && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (txbKey[1]->isEnabled())
                txbKey[1]->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
