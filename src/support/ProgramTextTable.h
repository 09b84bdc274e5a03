#pragma once

#include <map>
#include <string>

// The program text file: numbered texts, one per line (docs/program-text.md). Loading checks
// the whole file and answers with one result code; lookup never fails.
namespace ProgramTextTable {

constexpr int MaxTextLength = 1024; // characters
constexpr int MaxLines = 500;

enum LoadResult : int {
    NothingRead = 0,
    CannotOpen = -1,
    TooMuchText = -3,
    NotRecovered = -4, // not UTF-8
    FileEmpty = -6,
    ReadError = -7,
    OutOfMemory = -8,
    MissingStringBase = -500,  // -500 - line
    StringTooLongBase = -1000, // -1000 - line
    DuplicateBase = -1500,     // -1500 - line
};

// Loads the file at `path` (the file system's bytes) for `language` (0, English, is the only
// one); the number of texts read, or a LoadResult. A failed load leaves no texts.
[[nodiscard]] int lt(const std::string& path, int language);

// The text of `number` in `text`; its length in bytes, or 0 when there is none.
[[nodiscard]] int gt(int number, int language, std::string& text);

// Parses file contents as lt() does (for tests and tools).
[[nodiscard]] int parse(const std::string& contents, std::map<int, std::string>& texts);

} // namespace ProgramTextTable
