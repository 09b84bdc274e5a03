#include "support/DiskProc.h"

#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>

// Free space and usability of the file system that holds a path.
class tst_diskproc : public QObject
{
    Q_OBJECT

private slots:
    void firstFixedDriveIsTheRoot();
    void freeSpace_data();
    void freeSpace();
    void freeSpaceAboveFourGiBIsExact();
};

void tst_diskproc::firstFixedDriveIsTheRoot()
{
    QCOMPARE(DiskProc::FirstFixedDrive(), QStringLiteral("/"));
}

void tst_diskproc::freeSpace_data()
{
    QTest::addColumn<QString>("path"); // "@" stands for a fresh temporary folder
    QTest::addColumn<int>("status");
    QTest::newRow("existing folder") << "@" << 0;
    QTest::newRow("file not yet made in it") << "@/new.zr7" << 0;
    QTest::newRow("folders not yet made") << "@/a/b/c/" << 0;
    QTest::newRow("root") << "/" << 0;
    QTest::newRow("relative path") << "some/folder" << -1;
    QTest::newRow("empty") << "" << -1;
}

void tst_diskproc::freeSpace()
{
    QFETCH(QString, path);
    QFETCH(int, status);
    QTemporaryDir dir;
    path.replace("@", dir.path());
    double available = -5;
    double total = -5;
    QCOMPARE(DiskProc::FreeSpaceOfDrive(path, available, total), status);
    QCOMPARE(DiskProc::DriveUsable(path), status == 0);
    if (status == 0) {
        QVERIFY(available >= 0);
        QVERIFY(total >= available);
    }
}

// A tmpfs of a size just above 4 GiB whose low 32 bits have the top bit set: the figure must
// come through whole. Without the right to mount, the case compares against QStorageInfo.
void tst_diskproc::freeSpaceAboveFourGiBIsExact()
{
    QTemporaryDir dir;
    const qint64 size = (qint64{4} << 30) + (qint64{1} << 31) + (qint64{1} << 20);
    const QByteArray options = "size=" + QByteArray::number(size);
    const bool mounted = ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0,
                                 options.constData()) == 0;
    double available = 0;
    double total = 0;
    QCOMPARE(DiskProc::FreeSpaceOfDrive(dir.path() + "/x", available, total), 0);
    const QStorageInfo storage(dir.path());
    if (mounted)
        ::umount(QFile::encodeName(dir.path()).constData());
    if (mounted) {
        QCOMPARE(qint64(total), size);
        QCOMPARE(qint64(available), size);
    } else {
        QCOMPARE(qint64(total), storage.bytesTotal());
    }
}

QTEST_GUILESS_MAIN(tst_diskproc)
#include "tst_diskproc.moc"
