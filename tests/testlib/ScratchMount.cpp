#include "ScratchMount.h"

#include <QDir>
#include <QFile>

#include <sys/mount.h>

namespace {

bool MountsSkipped()
{
    return qEnvironmentVariableIsSet("ZR7_SKIP_MOUNTS");
}

} // namespace

bool ScratchMount::tmpfs(const QString& folder, int kib)
{
    unmount();
    QDir().mkpath(folder);
    if (MountsSkipped())
        return false;
    const QByteArray target = QFile::encodeName(folder);
    // Not a sticky folder like /tmp: in place, the files in it belong to whoever runs the test.
    const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0755";
    if (::mount("tmpfs", target.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) !=
        0)
        return false;
    m_target = target;
    m_bind = false;
    return true;
}

bool ScratchMount::bind(const QString& source, const QString& target)
{
    unmount();
    if (MountsSkipped())
        return false;
    const QByteArray on = QFile::encodeName(target);
    if (::mount(QFile::encodeName(source).constData(), on.constData(), nullptr, MS_BIND, nullptr) !=
        0)
        return false;
    m_target = on;
    m_bind = true;
    return true;
}

bool ScratchMount::bindReadOnly(const QString& folder)
{
    return bind(folder, folder) && makeReadOnly();
}

bool ScratchMount::makeReadOnly()
{
    // A bind mount is made read-only by itself (MS_BIND): without that flag the remount would
    // make the file system underneath read-only, the real disk included.
    const unsigned long flags = MS_REMOUNT | MS_RDONLY | (m_bind ? MS_BIND : 0);
    return !m_target.isEmpty() &&
           ::mount(nullptr, m_target.constData(), nullptr, flags, nullptr) == 0;
}

void ScratchMount::unmount()
{
    if (m_target.isEmpty())
        return;
    // A process of the test that still has a file open there must not keep the folder mounted.
    if (::umount2(m_target.constData(), 0) != 0)
        ::umount2(m_target.constData(), MNT_DETACH);
    m_target.clear();
}
