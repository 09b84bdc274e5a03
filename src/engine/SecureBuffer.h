#pragma once

#include <cstddef>
#include <cstdint>

// Key material lives here: memory from sodium_malloc (guard pages, locked where the system
// allows it, and marked MADV_DONTDUMP so that a core dump leaves it out), wiped by sodium_free
// when the buffer goes away.
class SecureBuffer
{
public:
    SecureBuffer() = default;
    explicit SecureBuffer(std::size_t size);
    ~SecureBuffer();
    SecureBuffer(const SecureBuffer&) = delete;
    SecureBuffer& operator=(const SecureBuffer&) = delete;
    SecureBuffer(SecureBuffer&& other) noexcept;
    SecureBuffer& operator=(SecureBuffer&& other) noexcept;

    bool isNull() const { return m_data == nullptr; }
    std::uint8_t* data() { return m_data; }
    const std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }

    void wipe();

private:
    void release();

    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};
