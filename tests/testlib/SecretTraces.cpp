#include "SecretTraces.h"

#include <QFile>
#include <QString>

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// A copy counts from this many leading characters on.
constexpr std::size_t Leading = 12;
constexpr std::size_t Chunk = 1 << 20;

struct Range
{
    std::uintptr_t begin, end;
};

Range RangeOf(const void* data, std::size_t size)
{
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    return {begin, begin + size};
}

struct Needle
{
    const char* name;
    const char* form;
    QByteArrayView bytes;
};

// Readable regions that a program may have written to: not the read-only files it maps.
std::vector<Range> Regions()
{
    std::vector<Range> regions;
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return regions;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 5 || !fields[1].startsWith('r'))
            continue;
        if (fields.size() > 5 && !fields[5].startsWith('[') && fields[1][1] != 'w')
            continue;
        const QList<QByteArray> bounds = fields[0].split('-');
        regions.push_back({bounds[0].toULongLong(nullptr, 16), bounds[1].toULongLong(nullptr, 16)});
    }
    return regions;
}

// The secret's leading characters as Latin-1, UTF-8 (when it differs) and UTF-16, written at
// `out`, which moves past them.
void AddForms(const char* name, QByteArrayView secret, char*& out, std::vector<Needle>& needles)
{
    const QByteArrayView lead = secret.first(std::min<qsizetype>(secret.size(), Leading));
    needles.push_back({name, "Latin-1", lead});
    char* const utf8 = out;
    for (char c : lead) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 0x80)
            *out++ = static_cast<char>(0xC0 | code >> 6);
        *out++ = static_cast<char>(code >= 0x80 ? 0x80 | (code & 0x3F) : code);
    }
    if (out - utf8 != lead.size())
        needles.push_back({name, "UTF-8", {utf8, out - utf8}});
    char* const utf16 = out;
    for (char c : lead) {
        *out++ = c;
        *out++ = '\0';
    }
    needles.push_back({name, "UTF-16", {utf16, out - utf16}});
}

} // namespace

QStringList SecretTraces(const QList<std::pair<const char*, QByteArrayView>>& secrets,
                         const QList<QByteArrayView>& kept)
{
    const std::size_t workSize = Chunk + 5 * Leading * static_cast<std::size_t>(secrets.size());
    void* work =
        ::mmap(nullptr, workSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (work == MAP_FAILED)
        return {QStringLiteral("no memory to search with")};
    // The forms go straight into the working mapping, which the search passes over, as it
    // does the secrets themselves and the memory meant to hold a key.
    char* const buffer = static_cast<char*>(work);
    char* out = buffer + Chunk;
    std::vector<Needle> needles;
    std::vector<Range> skipped = {RangeOf(work, workSize)};
    for (const auto& [name, bytes] : secrets) {
        AddForms(name, bytes, out, needles);
        skipped.push_back(RangeOf(bytes.data(), bytes.size()));
    }
    for (QByteArrayView range : kept)
        skipped.push_back(RangeOf(range.data(), range.size()));

    QStringList found;
    const int mem = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    for (const Range& region : Regions()) {
        for (std::uintptr_t at = region.begin; mem >= 0 && at < region.end;) {
            const std::size_t want = std::min<std::size_t>(Chunk, region.end - at);
            const ssize_t got = ::pread(mem, buffer, want, static_cast<off_t>(at));
            if (got <= 0)
                break; // a region that cannot be read, such as a guard page
            const QByteArrayView read(buffer, got);
            for (const Needle& needle : needles) {
                for (qsizetype i = read.indexOf(needle.bytes); i >= 0;
                     i = read.indexOf(needle.bytes, i + 1)) {
                    const std::uintptr_t address = at + static_cast<std::uintptr_t>(i);
                    const auto inside = [&](const Range& r) {
                        return address < r.end && address + needle.bytes.size() > r.begin;
                    };
                    if (std::none_of(skipped.begin(), skipped.end(), inside))
                        found << QStringLiteral("%1 as %2 at 0x%3")
                                     .arg(QLatin1String(needle.name), QLatin1String(needle.form))
                                     .arg(address, 0, 16);
                }
            }
            // The next chunk starts early enough to see a copy across the boundary.
            const auto step = static_cast<std::size_t>(got);
            at += step < want || at + step >= region.end ? step : step - 2 * Leading;
        }
    }
    if (mem >= 0)
        ::close(mem);
    explicit_bzero(work, workSize);
    ::munmap(work, workSize);
    return found;
}
