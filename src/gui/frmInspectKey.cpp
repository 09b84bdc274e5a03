#include "frmInspectKey.h"

#include "Twips.h"
#include "keys/KeyView.h"
#include "keys/ZR7KeyFrom.h"
#include "support/Interaction.h"

#include <QEvent>
#include <QFrame>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

namespace {

constexpr int Margin = 240;
constexpr int LineHeight = 255;
constexpr int KeyFileTop = 435;
constexpr int RowsTop = 840;
constexpr int RowHeight = 270;
constexpr int OptionsTop = 2100;
constexpr int OptionHeight = 300;
constexpr int OptionGap = 120;
constexpr int ResultTop = 2520;
constexpr int ButtonTop = 3000;
constexpr int ButtonWidth = 975;
constexpr int ButtonHeight = 375;
constexpr int Gap = 150;
constexpr int UseThisKeyWidth = 1200;

QLabel* NewLabel(QWidget* parent, int left, int top, int width, const QString& text = {})
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(Twips::Rect(left, top, width, LineHeight));
    return label;
}

} // namespace

frmInspectKey::frmInspectKey(Interaction& interaction, QWidget* parent)
    : QDialog(parent), m_interaction(interaction)
{
    setObjectName(QStringLiteral("frmInspectKey"));
    setWindowTitle(tr("Inspect the key"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    setFixedSize(Twips::ToPixels(FormWidth), Twips::ToPixels(FormHeight));
    CreateControls();

    for (QRadioButton* option : {optASCII, optDecimal, optHexadecimal}) {
        connect(option, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                DrawKey();
        });
    }
    connect(cmdYes, &QPushButton::clicked, this, &frmInspectKey::cmdYes_Click);
    connect(cmdNo, &QPushButton::clicked, this, &QDialog::reject);
}

void frmInspectKey::CreateControls()
{
    const int width = FormWidth - 2 * Margin;
    lbl64Byte = NewLabel(this, Margin, 120, width);
    lblKeyFile = NewLabel(this, Margin, KeyFileTop, width);

    auto* rows = new QFrame(this);
    rows->setFrameShape(QFrame::StyledPanel);
    rows->setFrameShadow(QFrame::Sunken);
    rows->setGeometry(Twips::Rect(Margin - 60, RowsTop - 60, width + 120, 4 * RowHeight + 120));
    for (std::size_t i = 0; i < lblKey.size(); ++i) {
        lblKey[i] = NewLabel(rows, 60, 60 + static_cast<int>(i) * RowHeight, width);
        lblKey[i]->setFont(QFont(QStringLiteral("Liberation Mono"), 9));
        lblKey[i]->setAccessibleDescription(
            tr("The key, row %1 of %2").arg(i + 1).arg(lblKey.size()));
    }

    optASCII = new QRadioButton(tr("ASCII"), this);
    optDecimal = new QRadioButton(tr("Decimal"), this);
    optHexadecimal = new QRadioButton(tr("Hexadecimal"), this);
    optASCII->setAccessibleDescription(tr("Shows the key's bytes as characters."));
    optDecimal->setAccessibleDescription(tr("Shows the key's bytes as decimal numbers."));
    optHexadecimal->setAccessibleDescription(tr("Shows the key's bytes as hexadecimal numbers."));

    lblChecksumIs = NewLabel(this, Margin, ResultTop, 2400, QStringLiteral("Checksum is 2222."));
    lblRandomnessIs =
        NewLabel(this, Margin + 2520, ResultTop, 2880, QStringLiteral("Randomness is 0.88"));

    cmdNo = new QPushButton(tr("No"), this);
    const int noLeft = FormWidth - Margin - ButtonWidth;
    cmdNo->setGeometry(Twips::Rect(noLeft, ButtonTop, ButtonWidth, ButtonHeight));
    cmdYes = new QPushButton(tr("Yes"), this);
    const int yesLeft = noLeft - Gap - ButtonWidth;
    cmdYes->setGeometry(Twips::Rect(yesLeft, ButtonTop, ButtonWidth, ButtonHeight));
    cmdYes->setDefault(true);
    lblUseThisKey = NewLabel(this, yesLeft - Gap - UseThisKeyWidth, ButtonTop, UseThisKeyWidth,
                             tr("Use this key?"));
    lblUseThisKey->setFixedHeight(Twips::ToPixels(ButtonHeight));
    lblUseThisKey->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cmdYes->installEventFilter(this);
    cmdNo->installEventFilter(this);
}

void frmInspectKey::SetKey(const KeyInspection& inspection)
{
    m_inspection.keyBytes.fill('\0');
    m_inspection = inspection;
    lbl64Byte->setText(inspection.classification);
    lblKeyFile->setText(inspection.keyfileLine);
}

void frmInspectKey::PlaceAtLastPosition()
{
    if (m_shownBefore)
        move(m_lastPosition);
}

void frmInspectKey::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        const bool random = m_inspection.blnKeyRandom;
        lblRandomnessIs->setVisible(random);
        if (random)
            lblRandomnessIs->setText(KeyView::RandomnessText(m_inspection.keyBytes));
        const bool ascii = !random && m_inspection.blnKeyText;
        ArrangeOptions(ascii);
        (ascii ? optASCII : optDecimal)->setChecked(true);

        const SecretBytes key = ZR7KeyFrom::NormalizedKey(m_inspection.keyBytes);
        QByteArray digest;
        lblChecksumIs->setText(
            ZR7KeyFrom::ChecksumText(ZR7KeyFrom::KeyChecksum(key.view(), digest)));
        digest.fill('\0');
        blnUseThisKey = false;
        DrawKey();
    }
    QDialog::showEvent(event);
}

// The options offered stand side by side from the left, without a gap where ASCII was.
void frmInspectKey::ArrangeOptions(bool asciiOffered)
{
    optASCII->setVisible(asciiOffered);
    const struct
    {
        QRadioButton* option;
        int width;
    } options[] = {{optASCII, 1080}, {optDecimal, 1200}, {optHexadecimal, 1680}};
    int left = Margin;
    for (const auto& [option, width] : options) {
        if (option->isHidden())
            continue;
        option->setGeometry(Twips::Rect(left, OptionsTop, width, OptionHeight));
        left += width + OptionGap;
    }
}

void frmInspectKey::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous()) {
        m_shownBefore = true;
        m_lastPosition = pos();
        // Nothing of the key stays behind once the window is closed.
        m_inspection.keyBytes.fill('\0');
        m_inspection.keyBytes.clear();
        for (QLabel* row : lblKey)
            row->clear();
    }
    QDialog::hideEvent(event);
}

void frmInspectKey::DrawKey()
{
    const QByteArray& bytes = m_inspection.keyBytes;
    const bool text = m_inspection.blnKeyText;
    const KeyView::Rows rows = optASCII->isChecked()     ? KeyView::AsciiRows(bytes)
                               : optDecimal->isChecked() ? KeyView::DecimalRows(bytes, text)
                                                         : KeyView::HexadecimalRows(bytes, text);
    for (std::size_t i = 0; i < lblKey.size(); ++i)
        lblKey[i]->setText(rows[i]);
    cmdYes->setFocus();
}

void frmInspectKey::cmdYes_Click()
{
    if (m_inspection.blnNewKeyfile)
        m_interaction.Tell(tr("Key selected"), tr("Be sure to remember the name of the keyfile!"),
                           Interaction::Icon::Information);
    blnUseThisKey = true;
    accept();
}

bool frmInspectKey::eventFilter(QObject* watched, QEvent* event)
{
    // Pointing at a button gives it the focus.
    if (event->type() == QEvent::Enter)
        static_cast<QWidget*>(watched)->setFocus();
    return QDialog::eventFilter(watched, event);
}
