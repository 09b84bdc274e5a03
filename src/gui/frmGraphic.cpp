#include "frmGraphic.h"

#include "EnterKey.h"
#include "TextBar.h"
#include "Twips.h"
#include "analysis/SingleFileFigures.h"

#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace {

constexpr int Margin = 150;
constexpr int PictureSize = BytePairPicture::Side * 15; // one pixel a byte value
constexpr int WindowWidth = 5400;
constexpr int LineHeight = 300;
constexpr int ButtonWidth = 1200;
constexpr int ButtonHeight = 375;
constexpr int MainTopOffset = 450;
constexpr int MainRightInset = 120;

} // namespace

frmGraphic::frmGraphic(QWidget* mainWindow, Interaction& interaction)
    : QDialog(mainWindow), m_main(mainWindow), m_picture(interaction, *this)
{
    setObjectName(QStringLiteral("frmGraphic"));
    setModal(true);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(9);
    setFont(font);

    const int pictureLeft = (WindowWidth - PictureSize) / 2;
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(Twips::Rect(pictureLeft, Margin, PictureSize, PictureSize));
    Picture1->installEventFilter(this);
    Picture1->setAccessibleName(tr("Byte-pair picture"));
    Picture1->setAccessibleDescription(
        tr("Each pair of bytes of the file sets one point of a 256 by 256 square, white on "
           "black. An encrypted file fills the square evenly like noise; text and most other "
           "files show lines, blocks and empty areas."));
    int top = Margin + PictureSize + 120;
    lblFilesize = new QLabel(this);
    lblFilesize->setGeometry(Twips::Rect(Margin, top, WindowWidth - 2 * Margin, LineHeight));
    top += LineHeight;
    lblRandomness = new QLabel(this);
    lblRandomness->setGeometry(Twips::Rect(Margin, top, WindowWidth - 2 * Margin, LineHeight));
    top += LineHeight + 90;
    // The solid block of the bar needs a monospace font that has it.
    QFont barFont(QStringLiteral("DejaVu Sans Mono"));
    barFont.setStyleHint(QFont::Monospace);
    barFont.setPointSize(7);
    lblProgressBar = new QLabel(this);
    lblProgressBar->setFont(barFont);
    lblProgressBar->setAlignment(Qt::AlignCenter);
    lblProgressBar->setGeometry(Twips::Rect(0, top, WindowWidth, LineHeight));
    lblProgressBar->setAccessibleName(tr("Picture drawn"));
    top += LineHeight + 90;
    cmdDisplay = new QPushButton(tr("Display"), this);
    cmdDisplay->setGeometry(
        Twips::Rect((WindowWidth - ButtonWidth) / 2, top, ButtonWidth, ButtonHeight));
    cmdDisplay->setAutoDefault(false);
    EnterKey::Apply(cmdDisplay);
    connect(cmdDisplay, &QPushButton::clicked, this, [this] { m_picture.cmdDisplay_Click(); });
    setFixedSize(Twips::ToPixels(WindowWidth), Twips::ToPixels(top + ButtonHeight + Margin));

    Clock.setInterval(500);
    connect(&Clock, &QTimer::timeout, this, &frmGraphic::Clock_Tick);
}

void frmGraphic::ShowFile(const SingleFileFigures& figures)
{
    setWindowTitle(figures.caption);
    lblFilesize->setText(figures.filesize);
    lblRandomness->setText(figures.randomness);
    m_picture.Prepare(figures.path, figures.drawingLength);
    RefreshPicture();
    if (m_main) {
        const QRect main = m_main->frameGeometry();
        move(main.right() - Twips::ToPixels(MainRightInset) - width(),
             main.top() + Twips::ToPixels(MainTopOffset));
    }
    // The focus ring shows on Display before any key was pressed.
    setAttribute(Qt::WA_KeyboardFocusChange);
    cmdDisplay->setFocus();
    exec();
}

void frmGraphic::changeEvent(QEvent* event)
{
    // Activation by the window manager clears the keyboard mark: set it again, so that the
    // focus ring shows on Display however the window became active.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        setAttribute(Qt::WA_KeyboardFocusChange);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        m_picture.state() == BytePairPicture::State::Ready) {
        m_picture.Activate();
        RefreshPicture();
        cmdDisplay->setFocus();
    }
    QDialog::changeEvent(event);
}

bool frmGraphic::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Picture1 && event->type() == QEvent::MouseButtonRelease)
        cmdDisplay->setFocus();
    return QDialog::eventFilter(watched, event);
}

void frmGraphic::reject()
{
    m_picture.Close();
}

void frmGraphic::ButtonCaption(const QString& caption)
{
    cmdDisplay->setText(caption);
}

void frmGraphic::ProgressBar(const QString& text)
{
    TextBar::Show(*lblProgressBar, text);
}

void frmGraphic::ClockEnabled(bool enabled)
{
    if (enabled) {
        Clock.start();
        return;
    }
    Clock.stop();
    RefreshPicture();
}

void frmGraphic::HideWindow()
{
    done(QDialog::Accepted);
}

void frmGraphic::Clock_Tick()
{
    TextBar::Show(*lblProgressBar, m_picture.BarText());
    RefreshPicture();
}

void frmGraphic::RefreshPicture()
{
    const QByteArray& pixels = m_picture.pixels();
    const QImage image(reinterpret_cast<const uchar*>(pixels.constData()), BytePairPicture::Side,
                       BytePairPicture::Side, BytePairPicture::Side, QImage::Format_Grayscale8);
    // The label keeps a copy: the drawing goes on writing into the pixels meanwhile.
    Picture1->setPixmap(QPixmap::fromImage(image));
}
