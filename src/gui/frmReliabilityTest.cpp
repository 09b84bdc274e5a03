#include "frmReliabilityTest.h"

#include "Twips.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

constexpr int WindowWidth = 6600;
constexpr int Margin = 240;
constexpr int ButtonWidth = 1200;
constexpr int ButtonHeight = 375;
// Four digits: more runs than anyone waits for, well within the count's range.
constexpr int MaxDigits = 4;

constexpr const char* InPlaceExplanation = QT_TRANSLATE_NOOP(
    "frmReliabilityTest",
    "In this test all specified .tst files are first copied to .bak files, then the .tst files "
    "are encrypted, then decrypted, then the resulting .tst files are compared to the .bak "
    "files.  If a difference exists then the test stops at that point.");
constexpr const char* SeparateFilesExplanation = QT_TRANSLATE_NOOP(
    "frmReliabilityTest",
    "In this test all specified .tst files are encrypted to .enc files, then decrypted to .dec "
    "files, then the .dec files are compared to the .tst files. If a difference exists then the "
    "test stops at that point.");

QLabel* WrappedLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

frmReliabilityTest::frmReliabilityTest(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReliabilityTest"));
    setWindowTitle(tr("Reliability test"));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(9);
    font.setBold(false);
    setFont(font);

    lblIntro =
        WrappedLabel(tr("You have chosen to encrypt files with .tst extension in a subfolder named "
                        "\"zr7test\", which indicates that you wish to perform the reliability "
                        "test."),
                     this);
    lblExplanation1 = WrappedLabel(tr(SeparateFilesExplanation), this);
    lblExplanation2 =
        WrappedLabel(tr("The first performance of the test uses the currently specified key. "
                        "Subsequent performances use randomly-generated keys."),
                     this);
    optPerformTest = new QRadioButton(tr("Yes, perform the test."), this);
    optNo = new QRadioButton(tr("No, just encrypt as specified."), this);
    lblMultipleTimes = new QLabel(tr("Number of times to perform the test: "), this);
    txbNumTests = new QLineEdit(QStringLiteral("1"), this);
    txbNumTests->setObjectName(QStringLiteral("txbNumTests"));
    txbNumTests->setAccessibleName(tr("Number of times to perform the test"));
    txbNumTests->setMaxLength(MaxDigits);
    txbNumTests->setFixedWidth(Twips::ToPixels(900));
    txbNumTests->installEventFilter(this);
    cmdContinue = new QPushButton(tr("Continue"), this);
    cmdCancel = new QPushButton(tr("Cancel"), this);
    for (QPushButton* button : {cmdContinue, cmdCancel}) {
        button->setFixedSize(Twips::ToPixels(ButtonWidth), Twips::ToPixels(ButtonHeight));
        button->setAutoDefault(false);
    }

    auto* numberRow = new QHBoxLayout;
    numberRow->addSpacing(Twips::ToPixels(360));
    numberRow->addWidget(lblMultipleTimes);
    numberRow->addWidget(txbNumTests);
    numberRow->addStretch();
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(cmdContinue);
    buttonRow->addSpacing(Twips::ToPixels(240));
    buttonRow->addWidget(cmdCancel);
    buttonRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    const int margin = Twips::ToPixels(Margin);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(Twips::ToPixels(120));
    layout->addWidget(lblIntro);
    layout->addWidget(lblExplanation1);
    layout->addWidget(lblExplanation2);
    layout->addSpacing(Twips::ToPixels(60));
    layout->addWidget(optPerformTest);
    layout->addLayout(numberRow);
    layout->addWidget(optNo);
    layout->addSpacing(Twips::ToPixels(120));
    layout->addLayout(buttonRow);
    setFixedWidth(Twips::ToPixels(WindowWidth));

    connect(optPerformTest, &QRadioButton::toggled, this, [this](bool on) {
        lblMultipleTimes->setVisible(on);
        txbNumTests->setVisible(on);
    });
    optPerformTest->setChecked(true);
    connect(cmdContinue, &QPushButton::clicked, this, &frmReliabilityTest::cmdContinue_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmReliabilityTest::cmdCancel_Click);
}

void frmReliabilityTest::Run(bool inPlace, const QPoint& topRight)
{
    Activate(inPlace);
    adjustSize();
    move(topRight.x() - frameGeometry().width() + 1, topRight.y());
    // Once shown, the frame has its real width, and the focus no longer selects the count.
    QTimer::singleShot(0, this, [this, topRight] {
        move(topRight.x() - frameGeometry().width() + 1, topRight.y());
        txbNumTests->deselect();
        txbNumTests->setCursorPosition(int(txbNumTests->text().size()));
    });
    exec();
}

void frmReliabilityTest::Activate(bool inPlace)
{
    lblExplanation1->setText(tr(inPlace ? InPlaceExplanation : SeparateFilesExplanation));
    optPerformTest->setChecked(true);
    txbNumTests->setFocus();
    blnPerformingReliabilityTest = false;
    // Closing the window by its close box counts as Cancel.
    blnCancel = true;
}

int frmReliabilityTest::NumberOfTests(const QString& text)
{
    qsizetype digits = 0;
    while (digits < text.size() && text[digits] >= QLatin1Char('0') &&
           text[digits] <= QLatin1Char('9'))
        ++digits;
    return text.left(digits).toInt();
}

void frmReliabilityTest::cmdContinue_Click()
{
    blnCancel = false;
    blnPerformingReliabilityTest = optPerformTest->isChecked();
    intNumReliabilityTests = NumberOfTests(txbNumTests->text());
    hide();
}

void frmReliabilityTest::cmdCancel_Click()
{
    blnCancel = true;
    blnPerformingReliabilityTest = false;
    hide();
}

// The number box takes digits, Backspace, copy, paste and cut; Enter acts as Continue. Keys
// that type nothing (the arrows, Home, End, Delete, Escape) act as usual.
bool frmReliabilityTest::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != txbNumTests || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        cmdContinue_Click();
        return true;
    }
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste) ||
        key->matches(QKeySequence::Cut) || key->key() == Qt::Key_Backspace)
        return false;
    const QString text = key->text();
    const bool digit =
        text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
    // Escape and Tab carry a control character: they reach the window, as from anywhere else.
    const bool typesNothing = text.isEmpty() || !text[0].isPrint() || key->key() == Qt::Key_Delete;
    return !(digit || typesNothing);
}
