#include "ProgramTextTable.h"

#include "storage/PosixFile.h"

#include <fcntl.h>
#include <new>
#include <sstream>
#include <sys/stat.h>

namespace ProgramTextTable {

namespace {

std::map<int, std::string> g_texts;

// Characters in a UTF-8 string, or -1 when it is not valid UTF-8. Overlong forms, surrogates
// and code points past U+10FFFF count as invalid too: shown, each would be a replacement
// character.
long utf8Length(const std::string& s)
{
    long count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        char32_t code = c;
        char32_t smallest = 0;
        if (c >= 0xF0 && c < 0xF8) {
            extra = 3;
            code = c & 0x07;
            smallest = 0x10000;
        } else if (c >= 0xE0 && c < 0xF0) {
            extra = 2;
            code = c & 0x0F;
            smallest = 0x800;
        } else if (c >= 0xC0 && c < 0xE0) {
            extra = 1;
            code = c & 0x1F;
            smallest = 0x80;
        } else if (c >= 0x80) {
            return -1;
        }
        if (i + extra >= s.size())
            return -1;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80)
                return -1;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return -1;
        i += extra + 1;
    }
    return count;
}

// "<number><blanks><text>"; false when the line does not start with a number from 1 to 32767.
bool splitLine(const std::string& line, int& number, std::string& text)
{
    std::size_t i = 0;
    number = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && number <= 32767)
        number = number * 10 + (line[i++] - '0');
    if (i == 0 || number < 1 || number > 32767)
        return false;
    if (i < line.size() && line[i] != ' ' && line[i] != '\t')
        return false;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    text = line.substr(i);
    return true;
}

} // namespace

int parse(const std::string& contents, std::map<int, std::string>& texts)
{
    texts.clear();
    if (contents.empty())
        return FileEmpty;
    std::istringstream in(contents);
    std::string line;
    for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
        if (lineNumber > MaxLines)
            return texts.clear(), TooMuchText;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#')
            continue;
        int number = 0;
        std::string text;
        if (!splitLine(line, number, text) || text.empty())
            return texts.clear(), MissingStringBase - lineNumber;
        const long length = utf8Length(text);
        if (length < 0)
            return texts.clear(), NotRecovered;
        if (length > MaxTextLength)
            return texts.clear(), StringTooLongBase - lineNumber;
        if (!texts.emplace(number, std::move(text)).second)
            return texts.clear(), DuplicateBase - lineNumber;
    }
    return static_cast<int>(texts.size());
}

int lt(const std::string& path, int language)
{
    g_texts.clear();
    if (language != 0)
        return NothingRead;
    PosixFile::Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return CannotOpen;
    // A text file of more than a few hundred short lines cannot be a program text file.
    constexpr off_t MaxFileSize = off_t{MaxLines} * (MaxTextLength * 4 + 16);
    if (info.st_size > MaxFileSize)
        return TooMuchText;
    try {
        std::string contents(static_cast<std::size_t>(info.st_size), '\0');
        const long long n = PosixFile::readFull(
            file.get(), reinterpret_cast<std::uint8_t*>(contents.data()), contents.size());
        if (n < 0)
            return ReadError;
        contents.resize(static_cast<std::size_t>(n));
        return parse(contents, g_texts);
    } catch (const std::bad_alloc&) {
        g_texts.clear();
        return OutOfMemory;
    }
}

int gt(int number, int language, std::string& text)
{
    text.clear();
    const auto it = g_texts.find(number);
    if (language != 0 || it == g_texts.end())
        return 0;
    text = it->second;
    return static_cast<int>(text.size());
}

} // namespace ProgramTextTable
