#pragma once

#include "analysis/BytePairPicture.h"
#include "analysis/BytePairPictureView.h"

#include <QDialog>
#include <QTimer>

class Interaction;
class QLabel;
class QPushButton;
struct SingleFileFigures;

// The single-file randomness window: the file's size and randomness, and on request a picture
// of its bytes drawn pair by pair, white on black, with a progress bar. Modal over the main
// window; created once and hidden when closed.
class frmGraphic : public QDialog, private BytePairPictureView
{
    Q_OBJECT

public:
    frmGraphic(QWidget* mainWindow, Interaction& interaction);

    // Shows `figures` with its top 450 twips below the main window's and its right edge 120
    // twips inside it; returns when the user has closed the window.
    void ShowFile(const SingleFileFigures& figures);

    BytePairPicture& picture() { return m_picture; }

    QLabel* Picture1 = nullptr;
    QLabel* lblFilesize = nullptr;
    QLabel* lblRandomness = nullptr;
    QPushButton* cmdDisplay = nullptr;
    QLabel* lblProgressBar = nullptr;
    QTimer Clock;

public slots:
    // The close box and Escape end a drawing and hide the window, as a click on Close does.
    void reject() override;

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // BytePairPictureView
    void ButtonCaption(const QString& caption) override;
    void ProgressBar(const QString& text) override;
    void ClockEnabled(bool enabled) override;
    void HideWindow() override;

    void Clock_Tick();
    void RefreshPicture();

    QWidget* m_main;
    BytePairPicture m_picture;
};
