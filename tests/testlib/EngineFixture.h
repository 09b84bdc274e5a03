#pragma once

#include "TestFiles.h"
#include "engine/StreamFormat.h"
#include "storage/FileCipher.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

// An engine with small chunks and the lowest Argon2id limits, a scratch folder and a key, for
// the engine's tests.
class EngineFixture
{
protected:
    // The lowest Argon2id limits keep the many derivations of these tests fast; the file
    // records them, so decryption follows.
    bool setUp()
    {
        if (!m_dir.isValid() || m_engine.allocate_buffers() != 1)
            return false;
        m_engine.set_kdf_params({1, StreamFormat::MinMemLog});
        m_engine.set_chunk_log(ChunkLog);
        return true;
    }

    EngineResult encrypt(const QString& in, const QString& out, const QByteArray& key)
    {
        m_engine.operation_initialization({key.constData(), size_t(key.size())}, 1,
                                          QFileInfo(in).size(), 0);
        return m_engine.encrypt_file(TestFiles::native(in), TestFiles::native(out));
    }

    EngineResult decrypt(const QString& in, const QString& out, const QByteArray& key)
    {
        m_engine.operation_initialization({key.constData(), size_t(key.size())}, 0,
                                          QFileInfo(in).size(), 0);
        return m_engine.decrypt_file(TestFiles::native(in), TestFiles::native(out));
    }

    // Temporary files the engine should never leave behind.
    QStringList leftovers() const
    {
        return QDir(m_dir.path()).entryList({".zr7-*"}, QDir::Files | QDir::Hidden);
    }

    static constexpr int ChunkLog = 12;
    static constexpr qsizetype Chunk = qsizetype{1} << ChunkLog;
    static constexpr qsizetype Record = Chunk + 16;
    static constexpr qsizetype Header = StreamFormat::HeaderSize;

    QTemporaryDir m_dir;
    FileCipher m_engine;
    QByteArray m_key = QByteArray("THE TEST KEY OF SIXTY-FOUR CHARACTERS, FOR EVERY CASE BELOW.")
                           .leftJustified(64, '.');
};
