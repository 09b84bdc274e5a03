#include "SecureBuffer.h"

#include <sodium.h>

#include <utility>

SecureBuffer::SecureBuffer(std::size_t size)
{
    if (size == 0 || sodium_init() < 0)
        return;
    m_data = static_cast<std::uint8_t*>(sodium_malloc(size));
    if (m_data != nullptr) {
        m_size = size;
        sodium_memzero(m_data, m_size);
    }
}

SecureBuffer::~SecureBuffer()
{
    release();
}

SecureBuffer::SecureBuffer(SecureBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
{
}

SecureBuffer& SecureBuffer::operator=(SecureBuffer&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

void SecureBuffer::wipe()
{
    if (m_data != nullptr)
        sodium_memzero(m_data, m_size);
}

void SecureBuffer::release()
{
    if (m_data != nullptr)
        sodium_free(m_data); // sodium_free wipes before it unmaps
    m_data = nullptr;
    m_size = 0;
}
