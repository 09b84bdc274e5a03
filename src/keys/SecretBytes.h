#pragma once

#include "engine/SecureBuffer.h"

#include <QByteArrayView>

#include <string_view>

// Key bytes held in one place only: memory from SecureBuffer (guarded, locked, left out of core
// dumps), wiped when it is replaced or let go. A secret moves from owner to owner and is never
// shared; a second copy exists only where copy() makes one on purpose.
class SecretBytes
{
public:
    SecretBytes() = default;
    // `size` NULs.
    explicit SecretBytes(qsizetype size);
    SecretBytes(SecretBytes&& other) noexcept;
    SecretBytes& operator=(SecretBytes&& other) noexcept;
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    // Copies `bytes` in; the caller wipes its own.
    static SecretBytes CopyOf(QByteArrayView bytes);
    SecretBytes& operator=(QByteArrayView bytes) { return *this = CopyOf(bytes); }
    SecretBytes copy() const { return CopyOf(view()); }

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    char* data() { return reinterpret_cast<char*>(m_buffer.data()); }
    const char* constData() const { return reinterpret_cast<const char*>(m_buffer.data()); }
    const char* begin() const { return constData(); }
    const char* end() const { return constData() + m_size; }
    char& operator[](qsizetype i) { return data()[i]; }
    char operator[](qsizetype i) const { return constData()[i]; }
    QByteArrayView view() const { return {constData(), m_size}; }
    std::string_view text() const { return {constData(), static_cast<std::size_t>(m_size)}; }

    // NULs over every byte; the length stays.
    void wipe() { m_buffer.wipe(); }
    // Wipes and lets the memory go: empty.
    void clear() { *this = SecretBytes(); }

    friend bool operator==(const SecretBytes& a, QByteArrayView b) { return a.view() == b; }
    friend bool operator==(const SecretBytes& a, const SecretBytes& b)
    {
        return a.view() == b.view();
    }

private:
    SecureBuffer m_buffer;
    qsizetype m_size = 0;
};
