#include "SecretTraces.h"

#include <QString>

#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

struct Range
{
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;
    bool holds(std::uintptr_t from, std::size_t size) const
    {
        return from < end && from + size > begin;
    }
};

Range RangeOf(QByteArrayView bytes)
{
    const auto begin = reinterpret_cast<std::uintptr_t>(bytes.data());
    return {begin, begin + static_cast<std::size_t>(bytes.size())};
}

// A copy counts from this many leading characters on: a block that a growing string left
// behind holds most of the key, if not all of it.
constexpr std::size_t Leading = 12;

struct Needle
{
    const char* name;
    const char* form;
    const char* bytes;
    std::size_t size;
};

std::string ReadAll(const char* path)
{
    std::string text;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    char block[4096];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, block, sizeof block)) > 0;)
        text.append(block, static_cast<std::size_t>(n));
    if (fd >= 0)
        ::close(fd);
    return text;
}

// The readable regions worth reading: anything a program may have written to.
std::vector<Range> Regions()
{
    std::vector<Range> regions;
    const std::string maps = ReadAll("/proc/self/maps");
    std::size_t line = 0;
    while (line < maps.size()) {
        const std::size_t next = std::min(maps.find('\n', line), maps.size());
        unsigned long begin = 0;
        unsigned long end = 0;
        char perms[5] = {};
        int pathAt = 0;
        const std::string entry = maps.substr(line, next - line);
        if (std::sscanf(entry.c_str(), "%lx-%lx %4s %*s %*s %*s %n", &begin, &end, perms,
                        &pathAt) >= 3) {
            const bool fileOnly = pathAt > 0 && static_cast<std::size_t>(pathAt) < entry.size() &&
                                  entry[pathAt] != '[' && perms[1] != 'w';
            if (perms[0] == 'r' && !fileOnly)
                regions.push_back({begin, end});
        }
        line = next + 1;
    }
    return regions;
}

} // namespace

QStringList SecretTraces(const QList<std::pair<const char*, QByteArrayView>>& secrets,
                         const QList<QByteArrayView>& kept)
{
    constexpr std::size_t Chunk = 1 << 20;
    std::size_t needleBytes = 0;
    for (const auto& secret : secrets)
        needleBytes += 5 * static_cast<std::size_t>(secret.second.size());
    const std::size_t workSize = Chunk + needleBytes;
    void* work =
        ::mmap(nullptr, workSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (work == MAP_FAILED)
        return {QStringLiteral("no memory to search with")};
    std::vector<Range> skipped = {RangeOf({static_cast<const char*>(work), qsizetype(workSize)})};
    for (QByteArrayView range : kept)
        skipped.push_back(RangeOf(range));

    // The forms are written straight into the working mapping, so that no other copy exists.
    char* const buffer = static_cast<char*>(work);
    char* out = buffer + Chunk;
    std::vector<Needle> needles;
    std::size_t longest = 1;
    for (const auto& [name, bytes] : secrets) {
        skipped.push_back(RangeOf(bytes));
        const auto size = static_cast<std::size_t>(bytes.size());
        const std::size_t leading = std::min(size, Leading);
        needles.push_back({name, "Latin-1", bytes.data(), leading});
        char* const utf8 = out;
        for (char c : bytes.first(static_cast<qsizetype>(leading))) {
            const auto code = static_cast<unsigned char>(c);
            if (code < 0x80) {
                *out++ = c;
            } else {
                *out++ = static_cast<char>(0xC0 | code >> 6);
                *out++ = static_cast<char>(0x80 | (code & 0x3F));
            }
        }
        if (static_cast<std::size_t>(out - utf8) != leading)
            needles.push_back({name, "UTF-8", utf8, static_cast<std::size_t>(out - utf8)});
        char* const utf16 = out;
        for (char c : bytes.first(static_cast<qsizetype>(leading))) {
            *out++ = c;
            *out++ = '\0';
        }
        needles.push_back({name, "UTF-16", utf16, 2 * leading});
        longest = std::max(longest, 2 * leading);
    }

    QStringList found;
    const int mem = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    for (const Range& region : Regions()) {
        for (std::uintptr_t at = region.begin; mem >= 0 && at < region.end;) {
            const std::size_t want = std::min<std::size_t>(Chunk, region.end - at);
            const ssize_t got = ::pread(mem, buffer, want, static_cast<off_t>(at));
            if (got <= 0)
                break; // a region that cannot be read, such as a guard page
            for (const Needle& needle : needles) {
                const char* from = buffer;
                while (const void* hit = ::memmem(from,
                                                  static_cast<std::size_t>(got) -
                                                      static_cast<std::size_t>(from - buffer),
                                                  needle.bytes, needle.size)) {
                    const char* match = static_cast<const char*>(hit);
                    const std::uintptr_t address = at + static_cast<std::size_t>(match - buffer);
                    bool skip = false;
                    for (const Range& range : skipped)
                        skip = skip || range.holds(address, needle.size);
                    if (!skip)
                        found << QStringLiteral("%1 as %2 at 0x%3")
                                     .arg(QLatin1String(needle.name), QLatin1String(needle.form))
                                     .arg(address, 0, 16);
                    from = match + 1;
                }
            }
            // The next chunk starts early enough to see a copy that crosses the boundary.
            const std::size_t step = static_cast<std::size_t>(got);
            at += step < want || step <= longest ? step : step - longest + 1;
        }
    }
    if (mem >= 0)
        ::close(mem);
    explicit_bzero(work, workSize);
    ::munmap(work, workSize);
    return found;
}
