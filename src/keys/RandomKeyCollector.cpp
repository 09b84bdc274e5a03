#include "RandomKeyCollector.h"

#include "engine/RandomKey.h"

#include <algorithm>

namespace {

constexpr QChar Underscore = QLatin1Char('_');
constexpr QChar FullBlock = QChar(0x2588);

// The window keeps positions in 16-bit integers; a grabbed pointer far outside it is clamped.
int Clamp16(int value)
{
    return std::clamp(value, -32768, 32767);
}

} // namespace

RandomKeyCollector::RandomKeyCollector() : RandomKeyCollector(RandomUniform) {}

RandomKeyCollector::RandomKeyCollector(UniformSource uniform) : m_uniform(std::move(uniform)) {}

void RandomKeyCollector::Start()
{
    m_byteCount = 0;
    m_lastX = m_x;
    m_lastY = m_y;
}

void RandomKeyCollector::MouseMoved(int x, int y)
{
    m_x = Clamp16(x);
    m_y = Clamp16(y);
}

int RandomKeyCollector::Tick(int msecsOfDay)
{
    if (Complete() || (m_x == m_lastX && m_y == m_lastY))
        return -1;
    const int d = Hundredths(msecsOfDay);
    const std::int64_t product = Product(m_x, m_y, d);
    m_lastX = m_x;
    m_lastY = m_y;
    ++m_byteCount;
    return KeyByte(m_uniform(Codes), product);
}

QString RandomKeyCollector::ProgressText() const
{
    return QString(m_byteCount, FullBlock) +
           QString(std::max(0, KeyLength - 1 - m_byteCount), Underscore);
}

int RandomKeyCollector::Hundredths(int msecsOfDay)
{
    const int millis = ((msecsOfDay % 1000) + 1000) % 1000;
    int hundredths = millis / 10;
    const int rest = millis % 10;
    if (rest > 5 || (rest == 5 && hundredths % 2 == 1))
        ++hundredths;
    return hundredths;
}

std::int64_t RandomKeyCollector::Product(int x, int y, int hundredths)
{
    const std::int64_t d = hundredths;
    return (2 * d + y) * (x + d) * (d + 1);
}

int RandomKeyCollector::KeyByte(std::uint32_t draw, std::int64_t product)
{
    const auto mouse = static_cast<std::uint32_t>(((product % Codes) + Codes) % Codes);
    return static_cast<int>((draw % Codes + mouse) % Codes) + LowestCode;
}
