#include "WrittenDigest.h"

#include <openssl/evp.h>
#include <sodium.h>

#include <algorithm>

WrittenDigest::~WrittenDigest()
{
    release();
}

void WrittenDigest::release()
{
    for (EVP_MAC_CTX* context : m_contexts)
        EVP_MAC_CTX_free(context);
    m_contexts.clear();
    sodium_memzero(m_key.data(), m_key.size());
    m_tags.clear();
    m_noted.clear();
}

void WrittenDigest::start(unsigned threads, std::size_t recordLength)
{
    release();
    randombytes_buf(m_key.data(), m_key.size());
    m_recordLength = recordLength;
    m_failed = false;
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "POLY1305", nullptr);
    for (unsigned i = 0; i < std::max(threads, 1u); ++i) {
        EVP_MAC_CTX* context = mac != nullptr ? EVP_MAC_CTX_new(mac) : nullptr;
        m_failed = m_failed || context == nullptr;
        m_contexts.push_back(context);
    }
    EVP_MAC_free(mac);
}

bool WrittenDigest::digest(unsigned thread, const std::uint8_t* data, std::size_t length, Tag& tag)
{
    EVP_MAC_CTX* context = thread < m_contexts.size() ? m_contexts[thread] : nullptr;
    std::size_t tagLength = 0;
    return context != nullptr && EVP_MAC_init(context, m_key.data(), m_key.size(), nullptr) == 1 &&
           EVP_MAC_update(context, data, length) == 1 &&
           EVP_MAC_final(context, tag.data(), &tagLength, tag.size()) == 1 &&
           tagLength == tag.size();
}

void WrittenDigest::add(unsigned thread, std::uint64_t number, const std::uint8_t* data,
                        std::size_t length)
{
    Tag tag;
    const bool ok = digest(thread, data, length, tag);
    std::lock_guard lock(m_mutex);
    if (!ok) {
        m_failed = true;
        return;
    }
    if (number >= m_tags.size()) {
        m_tags.resize(number + 1);
        m_noted.resize(number + 1, 0);
    }
    m_tags[number] = tag;
    m_noted[number] = 1;
}

bool WrittenDigest::matches(unsigned thread, std::uint64_t number, const std::uint8_t* data,
                            std::size_t length)
{
    Tag tag;
    return !m_failed && number < m_tags.size() && m_noted[number] &&
           digest(thread, data, length, tag) &&
           sodium_memcmp(tag.data(), m_tags[number].data(), tag.size()) == 0;
}
