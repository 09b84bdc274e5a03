#pragma once

#include "core/BatchDriver.h"
#include "core/PurgeAdvice.h"
#include "core/ReportView.h"

#include <QTimer>
#include <QWidget>

class Interaction;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The report window: the running account of the last batch, with Stop and Pause/Continue
// while it runs and Copy and Close afterwards. It watches the batch driver that the main
// window owns, shows what the driver reports and forwards its buttons to it. A modeless
// top-level window kept in front of the main window.
class frmReport : public QWidget, public ReportView, public PurgeAdviceDialogs
{
    Q_OBJECT

public:
    frmReport(QWidget* mainWindow, BatchDriver& driver, Interaction& interaction);
    ~frmReport() override;

    BatchDriver& driver() { return m_driver; }
    bool Running() const { return m_driver.running(); }

    // The main window's "Report screen": the last report from its first line, or a message
    // when there is none.
    void ReportScreen();

    // Places the window `offset` twips under the main window's top edge, at its left edge.
    // Before the window is first shown, so that the window manager maps it there: a window
    // moved while it is being mapped can land elsewhere.
    void PlaceUnderMainWindow(int offset);

    // "Copy to clipboard" at its normal width, as after a run that "Do it!" started.
    void ResetCopyButton();
    // The reliability test's comparison is shown: the next Close restores the setup of before
    // the test instead of stopping anything. A new run or a discarded report forgets it.
    void RestoreSetupOnClose() { m_restoreSetupOnClose = true; }

    // ReportView
    void TextAppended(const QString& text, bool showEnd) override;
    void TextTruncated(qsizetype length) override;
    void TextCleared() override;
    void RunStarted(bool pauseShown) override;
    void RunEnded() override;
    void CopyAvailable() override;
    void ShrinkToLines(qint64 lineCount) override;
    void StatusChanged(const QString& status) override;
    void PauseChanged(bool paused) override;
    void ClockEnabled(bool enabled) override;
    void StopRequested() override;
    void Progress(qint64 done, qint64 total) override;
    void HideWindow() override;
    void CaretBeforeLast() override;

    // PurgeAdviceDialogs
    Antivirus AskAntivirus() override;
    bool ShowPurgeAdvice(const QString& path) override;

    // Design sizes in twips.
    static constexpr int TextLeft = 210;
    static constexpr int DesignTextHeight = 4635;

    QPlainTextEdit* txbText = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdPauseContinue = nullptr;
    QPushButton* cmdCopyToClipboard = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* lblPausedDone = nullptr;
    QProgressBar* prgFile = nullptr;
    QTimer Clock;

signals:
    // Closed after a reliability test: the main window restores the setup it replaced.
    void restoreSetupRequested();
    // Stop was pressed: the main window halts its own timer.
    void stopRequested();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    void EnsureLoaded();
    void Load();
    void MoveUnderMainWindow(int offset);
    void ArrangeForTextHeight(int textHeight);
    void SetPauseContinue(const QString& caption, int width);
    void ShowIdleButtons();
    QPoint DialogPosition() const;

    void cmdCopyToClipboard_Click();
    void txbText_LeftButtonUp();
    void cmdClose_Click();
    void Discard();

    QWidget* m_main;
    Interaction& m_interaction;
    BatchDriver& m_driver;
    bool m_loaded = false;
    bool m_restoreSetupOnClose = false;
    bool m_discardPending = false;
    QTimer m_discardWait;
    int m_width = 0;      // twips
    int m_textHeight = 0; // twips
};
