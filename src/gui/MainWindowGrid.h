#pragma once

#include <algorithm>

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

constexpr int LastRow = 12;

// True when a panel edge at `y` runs through a row's line of text, leaving half of it showing.
constexpr bool CutsALine(int y)
{
    for (int row = 0; row <= LastRow; ++row)
        if (y > RowY(row) + 60 && y < RowY(row) + 60 + LabelHeight)
            return true;
    return false;
}

// The top nearest `wanted` at which a panel `height` high laid over the summary does not begin
// in the middle of a line and still ends within `areaHeight`; `wanted` itself when there is
// none. Every figure is in twips.
constexpr int ClearTop(int wanted, int height, int areaHeight)
{
    const auto clear = [&](int top) {
        return top >= 0 && top + height <= areaHeight && !CutsALine(top);
    };
    for (int step = 0; step <= RowStep; step += 15) {
        if (clear(wanted - step))
            return wanted - step;
        if (clear(wanted + step))
            return wanted + step;
    }
    return wanted;
}

// The least height of at least `height` at which a panel from `top` ends clear of every line,
// within `areaHeight`: a foot that would run through a line moves down past it. All in twips.
constexpr int ClearHeight(int top, int height, int areaHeight)
{
    int foot = top + height;
    while (foot < areaHeight && (CutsALine(foot - 15) || CutsALine(foot + 15)))
        foot += 15;
    return std::min(foot, areaHeight) - top;
}

} // namespace MainWindowGrid
