#pragma once

#include <QByteArray>
#include <QString>

class Interaction;
class BytePairPictureView;

// The picture of a file's bytes in the single-file randomness window: each pair of bytes
// (first, second) lights the pixel at column first, row second of a 256 x 256 picture, so that
// an encrypted file gives noise and a text file a pattern. The button cycles Display -> Stop
// -> Close; the drawing reads the file in blocks and lets pending events run every 512 bytes,
// so that Stop and the close box reach it.
class BytePairPicture
{
public:
    enum class State { Ready, Drawing, Done };

    static constexpr int Side = 256;
    static constexpr int BlockSize = 8192;
    static constexpr int BarWidth = 43;
    static constexpr int EventInterval = 512;

    BytePairPicture(Interaction& interaction, BytePairPictureView& view);

    // The window comes up for `path`, whose first `drawingLength` bytes (an even count) are
    // drawn: black picture, empty bar, clock off, button "Display".
    void Prepare(const QString& path, qint64 drawingLength);
    // The window is activated: while the button reads "Display", everything starts afresh.
    void Activate();

    // The Display / Stop / Close button.
    void cmdDisplay_Click();
    // The window's close box: the drawing ends and the window goes.
    void Close();

    // The progress bar as the clock shows it: `progress` blocks, then the rest of the line.
    QString BarText() const;

    State state() const { return m_state; }
    int progress() const { return m_progress; }
    qint64 pairsDrawn() const { return m_pairs; }
    // One byte per pixel, row by row: 0 black, 255 white.
    const QByteArray& pixels() const { return m_pixels; }

private:
    void Draw();
    bool DrawBlock(const char* block, qint64 blockStart, qint64 available);
    void Reset();
    void SetProgress(qint64 bytesDone);

    Interaction& m_interaction;
    BytePairPictureView& m_view;
    QString m_path;
    qint64 m_drawingLength = 0;
    State m_state = State::Ready;
    int m_progress = 0;
    qint64 m_pairs = 0;
    QByteArray m_pixels;
};
