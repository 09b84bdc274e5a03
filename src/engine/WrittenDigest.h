#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

typedef struct evp_mac_ctx_st EVP_MAC_CTX;

// Digests of the records of a file taken as they are written, to tell afterwards whether the
// file holds what was written: a write that the system reported done but that never happened,
// came out short or landed elsewhere shows as a record that differs. Records may be written in
// any order, by several threads: each has its own digest, found again by its number.
//
// The digest is Poly1305 under a fresh random key for every file: a fault cannot be shaped to
// match it, and it costs a tenth of the time of a general-purpose hash.
class WrittenDigest
{
public:
    WrittenDigest() = default;
    ~WrittenDigest();
    WrittenDigest(const WrittenDigest&) = delete;
    WrittenDigest& operator=(const WrittenDigest&) = delete;

    // Forgets the last file and starts a new one written by `threads` threads (ids 0 ..
    // threads - 1), every record `recordLength` bytes but the last.
    void start(unsigned threads, std::size_t recordLength);

    // Notes record `number` as written; called by thread `thread` only.
    void add(unsigned thread, std::uint64_t number, const std::uint8_t* data, std::size_t length);

    // True when `data`, read back as record `number` by thread `thread`, is what was noted.
    [[nodiscard]] bool matches(unsigned thread, std::uint64_t number, const std::uint8_t* data,
                               std::size_t length);

    std::size_t recordLength() const { return m_recordLength; }
    std::size_t threads() const { return m_contexts.size(); }

private:
    using Tag = std::array<std::uint8_t, 16>;
    [[nodiscard]] bool digest(unsigned thread, const std::uint8_t* data, std::size_t length,
                              Tag& tag);
    void release();

    std::array<std::uint8_t, 32> m_key{};
    std::vector<EVP_MAC_CTX*> m_contexts;
    std::size_t m_recordLength = 0;

    std::mutex m_mutex;
    std::vector<Tag> m_tags;
    std::vector<char> m_noted;
    bool m_failed = false;
};
