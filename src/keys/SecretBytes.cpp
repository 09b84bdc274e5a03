#include "SecretBytes.h"

#include <algorithm>
#include <cstring>
#include <utility>

SecretBytes::SecretBytes(qsizetype size)
    : m_buffer(static_cast<std::size_t>(std::max<qsizetype>(size, 0)))
{
    // A buffer the system refused is an empty secret, which every key check turns down.
    m_size = m_buffer.isNull() ? 0 : size;
}

SecretBytes::SecretBytes(SecretBytes&& other) noexcept
    : m_buffer(std::move(other.m_buffer)), m_size(std::exchange(other.m_size, 0))
{
}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept
{
    if (this != &other) {
        m_buffer = std::move(other.m_buffer);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

SecretBytes SecretBytes::CopyOf(QByteArrayView bytes)
{
    SecretBytes secret(bytes.size());
    if (secret.m_size > 0)
        std::memcpy(secret.data(), bytes.data(), static_cast<std::size_t>(secret.m_size));
    return secret;
}
