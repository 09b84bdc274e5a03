#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// The texts of the inspection window: its four rows of key bytes, in one of three views, and
// the randomness line.
namespace KeyView {

constexpr int RowCount = 4;
constexpr int BytesPerRow = 16;

using Rows = std::array<QString, RowCount>;

// The bytes as characters: NULs are left out, a carriage return starts the next row and the
// line feed after it is left out; a line feed on its own (a Linux text file) starts the next
// row too. What does not fit in four rows is not shown.
Rows AsciiRows(const QByteArray& keyBytes);

// Sixteen cells a row of four characters each: the value right-aligned in three places and a
// blank. In a text key a NUL is four blanks, so that the padding after the text stays blank.
Rows DecimalRows(const QByteArray& keyBytes, bool textKey);

// As the decimal view with cells of a blank, two upper-case hex digits and a blank (« 0A »).
Rows HexadecimalRows(const QByteArray& keyBytes, bool textKey);

// "Randomness is 0.934." from the randomness measure of the first 64 bytes, with three
// decimals in the locale's number format.
QString RandomnessText(const QByteArray& keyBytes);

} // namespace KeyView
