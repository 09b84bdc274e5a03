#pragma once

#include "core/SetupView.h"

#include <QCoreApplication>
#include <QString>

#include <array>

class QLabel;
class QPushButton;
class QWidget;
class SetupEditor;

// The right-hand side of the main window: beside each command a caption and a line that says
// what the operation will do, rebuilt from the setup as the setup editor reports its changes.
// Below them the hint line, and at the lower right the operation file the setup came from.
class SummaryLines : public SetupView
{
    // The texts keep the context they were translated in when the window drew them itself.
    Q_DECLARE_TR_FUNCTIONS(frmMain)

public:
    // The labels go on `parent` in the main window's grid and show `editor`'s setup; `keyCommand`'s
    // caption follows the function, and the operation file's name starts where `setupRow` does.
    SummaryLines(QWidget& parent, SetupEditor& editor, QPushButton& keyCommand,
                 const QWidget& setupRow);

    // Rebuilds the folder line, files line and comment of one side, then the hint line.
    void RefreshSide(int side);
    void RefreshHintLine();

    // The key line: where the key in force came from.
    QString KeyLine() const;
    void SetKeyLine(const QString& text);
    int KeyLineTop() const;

    // The name of the operation file is hidden while a panel covers its place.
    void SetSetupFilenameShown(bool shown);

    // SetupView
    void FunctionChanged() override;
    void SubdirectoriesChanged(bool inputHasSubfolders) override;
    void OutputFilesSameChanged() override;
    void RepairableChanged() override { FunctionChanged(); }
    void SideChanged(int side) override { RefreshSide(side); }
    void KeyCleared() override;
    void SetupFilenameChanged(const QString& path) override;

private:
    QLabel* AddLabel(const char* name, int left, int row, int width, const QString& text = {});

    QWidget& m_parent;
    SetupEditor& m_editor;
    QPushButton& m_keyCommand;
    // The description of each row's values, for a screen reader.
    std::array<QString, 13> m_rowCaptions;

    QLabel* lblFunction = nullptr;
    QLabel* lblFunction2 = nullptr;
    std::array<QLabel*, 2> lblDirectory{};
    std::array<QLabel*, 2> lblFiles{};
    std::array<QLabel*, 2> lblFiles2{};
    QLabel* lblSubdirectories = nullptr;
    QLabel* lblSubdirectories2 = nullptr;
    QLabel* lblOutputFilesSame = nullptr;
    QLabel* lblOutputFilesSame2 = nullptr;
    QLabel* lblKeyFrom = nullptr;
    QLabel* lblSingleFile = nullptr;
    QLabel* lblSetupFilename = nullptr;
};
