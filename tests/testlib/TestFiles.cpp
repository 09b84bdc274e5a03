#include "TestFiles.h"

#include <QFile>

#include <random>

namespace TestFiles {

bool write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray randomBytes(qsizetype size, std::uint64_t seed)
{
    std::mt19937_64 generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(generator() >> 56);
    return bytes;
}

std::string native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace TestFiles
