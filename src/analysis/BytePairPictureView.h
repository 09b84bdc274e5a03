#pragma once

class QString;

// What the single-file window shows of a drawing in progress.
class BytePairPictureView
{
public:
    virtual ~BytePairPictureView() = default;

    // The caption of the Display / Stop / Close button.
    virtual void ButtonCaption(const QString& caption) = 0;
    // The progress bar's text.
    virtual void ProgressBar(const QString& text) = 0;
    // The timer that brings the progress bar (and the picture) up to date.
    virtual void ClockEnabled(bool enabled) = 0;
    // The drawing is over (Close, or the window's close box): the window goes.
    virtual void HideWindow() = 0;
};
