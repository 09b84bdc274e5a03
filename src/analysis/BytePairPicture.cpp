#include "BytePairPicture.h"

#include "BytePairPictureView.h"
#include "support/Interaction.h"

#include <QFile>

#include <cmath>

namespace {

const QString EmptyBar(BytePairPicture::BarWidth, QLatin1Char('_'));
const QString FullBar(BytePairPicture::BarWidth, QChar(0x2588)); // a solid block

} // namespace

BytePairPicture::BytePairPicture(Interaction& interaction, BytePairPictureView& view)
    : m_interaction(interaction), m_view(view), m_pixels(Side * Side, '\0')
{
}

void BytePairPicture::Prepare(const QString& path, qint64 drawingLength)
{
    m_path = path;
    m_drawingLength = drawingLength;
    m_view.ButtonCaption(QStringLiteral("Display"));
    Reset();
}

void BytePairPicture::Activate()
{
    if (m_state == State::Ready)
        Reset();
}

void BytePairPicture::Reset()
{
    m_pixels.fill('\0');
    m_pairs = 0;
    m_progress = 0;
    m_view.ProgressBar(QString());
    m_view.ClockEnabled(false);
    m_state = State::Ready;
}

QString BytePairPicture::BarText() const
{
    return FullBar.left(m_progress) + EmptyBar.left(BarWidth - m_progress);
}

void BytePairPicture::cmdDisplay_Click()
{
    switch (m_state) {
    case State::Ready:
        Draw();
        break;
    case State::Drawing:
        // The running drawing sees this at its next pair.
        m_view.ButtonCaption(QStringLiteral("Close"));
        m_state = State::Done;
        break;
    case State::Done:
        m_view.HideWindow();
        break;
    }
}

void BytePairPicture::Close()
{
    m_state = State::Done;
    cmdDisplay_Click();
}

void BytePairPicture::SetProgress(qint64 bytesDone)
{
    // Halves round to even, as the nearest whole number is taken here.
    m_progress = int(std::nearbyint(double(bytesDone) * BarWidth / double(m_drawingLength)));
}

void BytePairPicture::Draw()
{
    m_state = State::Drawing;
    m_view.ClockEnabled(true);
    m_view.ProgressBar(EmptyBar);
    m_view.ButtonCaption(QStringLiteral("Stop"));
    m_interaction.ProcessEvents();

    QFile file(m_path);
    bool failed = !file.open(QIODevice::ReadOnly);
    QByteArray block(BlockSize, '\0');
    for (qint64 start = 0; !failed && start < m_drawingLength && m_state == State::Drawing;
         start += BlockSize) {
        const qint64 wanted = qMin<qint64>(BlockSize, m_drawingLength - start);
        const qint64 read = file.read(block.data(), BlockSize);
        failed = read < wanted;
        if (!failed && !DrawBlock(block.constData(), start, wanted))
            break;
    }
    if (failed) {
        m_interaction.Tell(QStringLiteral("Randomness report"),
                           QStringLiteral("Error reading file!"), Interaction::Icon::Exclamation);
    } else if (m_state == State::Drawing) {
        m_progress = BarWidth;
        m_view.ProgressBar(FullBar);
        m_state = State::Done;
        m_view.ButtonCaption(QStringLiteral("Close"));
    }
    file.close();
    m_view.ClockEnabled(false);
}

// Draws the pairs of one block (`available` bytes, an even count); false when the drawing was
// stopped meanwhile.
bool BytePairPicture::DrawBlock(const char* block, qint64 blockStart, qint64 available)
{
    auto* pixels = reinterpret_cast<uchar*>(m_pixels.data());
    const auto* bytes = reinterpret_cast<const uchar*>(block);
    for (qint64 i = 0; i < available; i += EventInterval) {
        const qint64 end = qMin(i + EventInterval, available);
        for (qint64 j = i; j < end; j += 2)
            pixels[bytes[j + 1] * Side + bytes[j]] = 0xFF;
        m_pairs += (end - i) / 2;
        SetProgress(blockStart + end);
        m_interaction.ProcessEvents();
        if (m_state != State::Drawing)
            return false;
    }
    return true;
}
