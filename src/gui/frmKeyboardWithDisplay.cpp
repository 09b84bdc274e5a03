#include "frmKeyboardWithDisplay.h"

#include "Twips.h"
#include "keys/Windows1252.h"
#include "keys/ZR7KeyFrom.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>

namespace {

constexpr int DefaultWidth = 10800;
constexpr int Margin = 120;
constexpr int RightMargin = 300;
constexpr int Gap = 150;
constexpr int LabelHeight = 255;
constexpr int BoxTop = 450;
constexpr int BoxHeight = 345;
constexpr int ButtonTop = 1020;
constexpr int ButtonWidth = 975;
constexpr int ButtonHeight = 375;
constexpr int UseThisKeyWidth = 1200;

} // namespace

frmKeyboardWithDisplay::frmKeyboardWithDisplay(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmKeyboardWithDisplay"));
    setWindowTitle(tr("Type key (with display)"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    lblEntertheKey = new QLabel(this);
    lblEntertheKey->setTextFormat(Qt::PlainText);
    txbKey = new QLineEdit(this);
    txbKey->setFont(QFont(QStringLiteral("Liberation Mono"), 10));
    txbKey->setAccessibleName(tr("Key"));
    txbKey->setAccessibleDescription(
        tr("16 to 64 characters, shown as you type; the checksum below follows them."));
    txbKey->setValidator(NewKeyValidator(txbKey));
    lblChecksumIs = new QLabel(QStringLiteral("Checksum is 2222."), this);
    lblUseThisKey = new QLabel(tr("Use this key?"), this);
    lblUseThisKey->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cmdYes = new QPushButton(tr("Yes"), this);
    cmdNo = new QPushButton(tr("No"), this);
    cmdCancel = new QPushButton(tr("Cancel"), this);
    // Enter takes the key only once Yes is offered; Escape is Cancel.
    cmdYes->setDefault(true);
    for (QWidget* widget : {static_cast<QWidget*>(txbKey), static_cast<QWidget*>(cmdYes),
                            static_cast<QWidget*>(cmdNo), static_cast<QWidget*>(cmdCancel)})
        widget->installEventFilter(this);

    connect(txbKey, &QLineEdit::textChanged, this, &frmKeyboardWithDisplay::txbKey_Change);
    connect(cmdYes, &QPushButton::clicked, this, [this] {
        blnYes = true;
        accept();
    });
    connect(cmdNo, &QPushButton::clicked, this, [this] {
        blnNo = true;
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    Arrange();
}

QValidator* frmKeyboardWithDisplay::NewKeyValidator(QObject* parent)
{
    QString pattern = QStringLiteral("[");
    for (int code = 1; code < 256; ++code) {
        const QChar c = Windows1252::ToUnicode(QByteArray(1, static_cast<char>(code))).at(0);
        pattern += QStringLiteral("\\x{%1}").arg(c.unicode(), 0, 16);
    }
    pattern += QStringLiteral("]*");
    return new QRegularExpressionValidator(QRegularExpression(pattern), parent);
}

// The dialog is as wide as the main window; the buttons line up from the right edge.
void frmKeyboardWithDisplay::Arrange()
{
    const int width = parentWidget() ? Twips::FromPixels(parentWidget()->width()) : DefaultWidth;
    setFixedSize(Twips::ToPixels(width), Twips::ToPixels(FormHeight));
    lblEntertheKey->setGeometry(Twips::Rect(Margin, Margin, width - 2 * Margin, LabelHeight));
    txbKey->setGeometry(Twips::Rect(Margin, BoxTop, width - Margin - RightMargin, BoxHeight));
    const int cancelLeft = width - ButtonWidth - RightMargin;
    const int noLeft = cancelLeft - ButtonWidth - Gap;
    const int yesLeft = noLeft - ButtonWidth - Gap;
    const int useLeft = yesLeft - UseThisKeyWidth - Gap;
    cmdCancel->setGeometry(Twips::Rect(cancelLeft, ButtonTop, ButtonWidth, ButtonHeight));
    cmdNo->setGeometry(Twips::Rect(noLeft, ButtonTop, ButtonWidth, ButtonHeight));
    cmdYes->setGeometry(Twips::Rect(yesLeft, ButtonTop, ButtonWidth, ButtonHeight));
    lblUseThisKey->setGeometry(Twips::Rect(useLeft, ButtonTop, UseThisKeyWidth, ButtonHeight));
    lblChecksumIs->setGeometry(Twips::Rect(Margin, ButtonTop, useLeft - Margin, ButtonHeight));
}

void frmKeyboardWithDisplay::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        Arrange();
        txbKey->clear();
        txbKey->setMaxLength(ZR7KeyFrom::MaxKeyLength);
        txbKey_Change();
        blnYes = false;
        blnNo = false;
        txbKey->setFocus();
    }
    QDialog::showEvent(event);
}

void frmKeyboardWithDisplay::txbKey_Change()
{
    const SecretBytes key = ZR7KeyFrom::NormalizedKey(txbKey->text());
    const bool ok = key.size() >= ZR7KeyFrom::MinKeyLength;
    if (ok) {
        QByteArray digest;
        lblChecksumIs->setText(
            ZR7KeyFrom::ChecksumText(ZR7KeyFrom::KeyChecksum(key.view(), digest)));
        digest.fill('\0');
    }
    for (QWidget* widget :
         {static_cast<QWidget*>(cmdYes), static_cast<QWidget*>(cmdNo),
          static_cast<QWidget*>(lblChecksumIs), static_cast<QWidget*>(lblUseThisKey)})
        widget->setVisible(ok);
}

bool frmKeyboardWithDisplay::eventFilter(QObject* watched, QEvent* event)
{
    // Pointing at a button or the key box gives it the focus.
    if (event->type() == QEvent::Enter)
        static_cast<QWidget*>(watched)->setFocus();
    return QDialog::eventFilter(watched, event);
}
