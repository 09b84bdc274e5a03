#pragma once

#include <QByteArray>
#include <QString>

// A file system that a test puts on a folder of its own for a while: a small tmpfs that fills
// up, or the folder itself again, read-only. Mounting needs root (CAP_SYS_ADMIN): each call
// says whether it worked, so that the test can skip. Whatever happened, the mount goes when the
// object does, or earlier with unmount(). With ZR7_SKIP_MOUNTS set nothing is mounted: the
// cases that mount run as tests of their own, labelled `mount`.
class ScratchMount
{
public:
    ScratchMount() = default;
    ~ScratchMount() { unmount(); }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    // A tmpfs of `kib` KiB on `folder` (made when missing).
    bool tmpfs(const QString& folder, int kib);
    // The folder `source` shown again at `target`, as `mount --bind` does.
    bool bind(const QString& source, const QString& target);
    // `folder` shown over itself read-only: nothing can be created or changed in it.
    bool bindReadOnly(const QString& folder);
    // The mounted file system becomes read-only, with what it holds.
    bool makeReadOnly();
    void unmount();

private:
    QByteArray m_target;
    bool m_bind = false;
};
