#pragma once

#include <QByteArrayView>
#include <QList>
#include <QStringList>

#include <utility>

// Every copy of a secret still readable in this process: the whole of its memory is read
// through /proc/self/mem (heap, stacks, anonymous and writable mappings, freed blocks included;
// read-only file mappings and unreadable regions are passed over) and searched for each secret
// as its bytes stand (Latin-1), as UTF-8 and as UTF-16 (little-endian), each byte read as
// Latin-1; a copy of its first 12 characters or more counts, since a growing string leaves
// most of a key behind in the blocks it outgrew. The secrets' own bytes and the ranges in `kept`
// (memory meant to hold a key) do not count; the search works in a mapping of its own that it
// passes over too. One line per copy found: "<name> as <form> at 0x<address>".
QStringList SecretTraces(const QList<std::pair<const char*, QByteArrayView>>& secrets,
                         const QList<QByteArrayView>& kept = {});

// A sanitizer keeps freed blocks as they were in its quarantine, and the program's wiping of
// freed blocks stands aside for it: the search proves nothing there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool SecretTracesMeaningful = false;
#else
constexpr bool SecretTracesMeaningful = true;
#endif
