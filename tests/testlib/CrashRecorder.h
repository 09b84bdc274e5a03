#pragma once

#include "engine/SystemCalls.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// Records, while it lives, every call of the engine's system-call table that changes something
// under one folder (the scratch root), after passing it on to the system: what a power loss in
// the middle of the run could leave is worked out from this trace afterwards. Paths are kept
// relative to the root; calls elsewhere, and calls that fail, are left out. One at a time.
class CrashRecorder
{
public:
    enum class Kind {
        Create,      // a new, empty file at `path`
        Write,       // `bytes` at `offset` into file `inode`
        Resize,      // file `inode` cut or extended to `offset` bytes
        Rename,      // `path` to `target`; `flags` of renameat2
        Link,        // `target` made a second name of `path`
        Unlink,      // the name `path` removed (a folder with `flags` AT_REMOVEDIR)
        MakeFolder,  // a new folder `path`
        FlushFile,   // file `inode`'s data on the disk
        FlushFolder, // the entries of folder `path` on the disk
        FlushAll,    // everything on the file system on the disk
        Mark,        // an event of the test's own, `path` says which
    };

    struct Op
    {
        Kind kind = Kind::Mark;
        QString path;
        QString target;
        int inode = 0; // the recorder's own number for a file; 0 when unknown
        qint64 offset = 0;
        // The file's size just before a write or resize: more than the trace accounts for when
        // bytes came into it by another way than the table.
        qint64 sizeBefore = 0;
        QByteArray bytes;
        unsigned flags = 0;
    };

    explicit CrashRecorder(const QString& root);
    ~CrashRecorder();
    CrashRecorder(const CrashRecorder&) = delete;
    CrashRecorder& operator=(const CrashRecorder&) = delete;

    void mark(const QString& text);

    // The root's files (relative name to bytes, taken as on the disk) and folders ("" not
    // among them) when recording started; the initial files are inodes 1, 2, ... in name order.
    const QMap<QString, QByteArray>& initialFiles() const { return m_files; }
    const QStringList& initialFolders() const { return m_folders; }
    QList<Op> ops() const;
    // The root's files as they are now.
    QMap<QString, QByteArray> currentFiles() const;

    static QString describe(const Op& op);

private:
    QMap<QString, QByteArray> m_files;
    QStringList m_folders;
    SystemCalls::Replacement m_calls;
};
