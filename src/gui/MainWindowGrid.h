#pragma once

// The main window's grid, in twips: the command buttons down the left side, one row each, and
// beside them a caption and a value for each row.
namespace MainWindowGrid {

constexpr int WindowWidth = 10800;
constexpr int WindowHeight = 5700;
constexpr int RowTop = 90;
constexpr int RowStep = 420;
constexpr int ButtonHeight = 375;
constexpr int MenuWidth = 2100;
constexpr int CaptionLeft = 2460;
constexpr int ValueLeft = 3960;
constexpr int LabelHeight = 300;

constexpr int RowY(int row)
{
    return RowTop + row * RowStep;
}

} // namespace MainWindowGrid
