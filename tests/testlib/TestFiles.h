#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

// Small helpers for tests that work on real files in temporary folders.
namespace TestFiles {

// Writes `data` to `path`; fails the current test on error.
bool write(const QString& path, const QByteArray& data);
QByteArray read(const QString& path);

// `size` bytes from a seeded generator: the same bytes for the same seed on every run.
QByteArray randomBytes(qsizetype size, std::uint64_t seed);

// The file system's bytes of a path, as the engine takes it.
std::string native(const QString& path);

} // namespace TestFiles
