#include "TestFiles.h"
#include "storage/FileUtility.h"
#include "storage/OutputFile.h"
#include "storage/TemporaryReserve.h"
#include "support/FileRandomness.h"
#include "support/RandomnessMeasure.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <unistd.h>

using TestFiles::native;

namespace {

using Error = FileRandomness::RandomnessError;

// A path in the test folder: missing, a folder, or a file with the given content.
enum class Entry { File, Missing, Folder };

QString make(const QTemporaryDir& dir, const QString& name, Entry kind, const QByteArray& data)
{
    const QString path = dir.filePath(name);
    if (kind == Entry::File)
        TestFiles::write(path, data);
    else if (kind == Entry::Folder)
        QDir(dir.path()).mkdir(name);
    return path;
}

// Text-like bytes: sentences of common words, as in a large uncompressed document.
QByteArray wordSoup(qsizetype size, std::uint64_t seed)
{
    static const char* const words[] = {"the",     "of",    "and",   "a",   "to",
                                        "in",      "is",    "file",  "was", "report",
                                        "January", "sales", "total", "1999"};
    std::mt19937_64 generator(seed);
    QByteArray text;
    text.reserve(size + 16);
    while (text.size() < size) {
        text += words[generator() % std::size(words)];
        text += generator() % 12 == 0 ? ".\n" : " ";
    }
    text.truncate(size);
    return text;
}

QStringList entries(const QTemporaryDir& dir)
{
    return QDir(dir.path())
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
}

} // namespace

class tst_fileutility : public QObject
{
    Q_OBJECT

private slots:
    void frErrors_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("minSize");
        QTest::addColumn<Error>("expected");

        const QByteArray hundred = TestFiles::randomBytes(100, 1);
        QTest::newRow("missing") << int(Entry::Missing) << QByteArray() << "" << 1
                                 << Error::FileNotFound;
        QTest::newRow("under a file")
            << int(Entry::File) << hundred << "/x" << 1 << Error::FileNotFound;
        QTest::newRow("folder") << int(Entry::Folder) << QByteArray() << "" << 1
                                << Error::FileReadError;
        QTest::newRow("empty") << int(Entry::File) << QByteArray() << "" << 1 << Error::FileEmpty;
        QTest::newRow("empty, no minimum")
            << int(Entry::File) << QByteArray() << "" << 0 << Error::FileEmpty;
        QTest::newRow("one short")
            << int(Entry::File) << hundred << "" << 101 << Error::FileTooShort;
        QTest::newRow("exactly minimum") << int(Entry::File) << hundred << "" << 100 << Error::None;
    }

    void frErrors()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, data);
        QFETCH(QString, suffix);
        QFETCH(int, minSize);
        QFETCH(Error, expected);
        QTemporaryDir dir;
        const QString path = make(dir, "f", Entry(kind), data) + suffix;
        const FileRandomness::RandomnessValue found = FileRandomness::fr(native(path), minSize);
        QCOMPARE(found.error, expected);
        if (expected == Error::None)
            QVERIFY2(found.value > 0.5 && found.value <= 0.9999,
                     qPrintable(QString::number(found.value)));
    }

    void frUnreadable()
    {
        if (::geteuid() == 0)
            QSKIP("permissions do not apply to root");
        QTemporaryDir dir;
        const QString path = make(dir, "f", Entry::File, "some content");
        QFile::setPermissions(path, QFileDevice::WriteOwner);
        QCOMPARE(FileRandomness::fr(native(path), 1).error, Error::FileReadError);
    }

    void frMatchesMeasure_data()
    {
        QTest::addColumn<QByteArray>("data");
        // Read in 1 MiB pieces: a difference lost at a piece boundary would show.
        QTest::newRow("random 3 MiB + 5") << TestFiles::randomBytes((3 << 20) + 5, 2);
        QTest::newRow("text at the threshold") << wordSoup(8 << 20, 4);
    }

    void frMatchesMeasure()
    {
        QFETCH(QByteArray, data);
        QTemporaryDir dir;
        const QString path = make(dir, "f", Entry::File, data);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
        QCOMPARE(FileRandomness::fr(native(path), 1).value,
                 Randomness::measure(bytes, data.size()));
    }

    void frSamplesLargeFiles_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("random 20 MiB") << TestFiles::randomBytes(20 << 20, 5) << 0.999 << 0.9999;
        QTest::newRow("text 20 MiB") << wordSoup(20 << 20, 6) << 0.3 << 0.8;
    }

    void frSamplesLargeFiles()
    {
        QFETCH(QByteArray, data);
        QFETCH(double, low);
        QFETCH(double, high);
        QTemporaryDir dir;
        const QString path = make(dir, "f", Entry::File, data);
        const QDateTime modified = QFileInfo(path).lastModified();
        const double value = FileRandomness::fr(native(path), 1).value;
        QVERIFY2(value >= low && value <= high, qPrintable(QString::number(value)));
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QCOMPARE(QFileInfo(path).size(), data.size());
    }

    void frSamplesBeyondFourGiB()
    {
        // A sparse file of zeros with random bytes exactly where the samples lie: it measures
        // near 1 only if every sample, also those past 4 GiB, is read at its own offset.
        QTemporaryDir dir;
        QFile file(dir.filePath("sparse"));
        const qint64 size = (qint64(5) << 30) + 3;
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (!file.resize(size))
            QSKIP("the file system has no room for a sparse 5 GiB file");
        std::uint64_t seed = 10;
        for (const Randomness::Block& block : Randomness::sampleBlocks(size)) {
            QVERIFY(file.seek(qint64(block.offset)));
            QCOMPARE(file.write(TestFiles::randomBytes(qsizetype(block.size), seed++)),
                     qint64(block.size));
        }
        file.close();
        const double value = FileRandomness::fr(native(file.fileName()), 1).value;
        QVERIFY2(value > 0.999, qPrintable(QString::number(value)));
    }

    void compareFiles_data()
    {
        QTest::addColumn<int>("firstKind");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<int>("secondKind");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<qint64>("expected");

        const int file = int(Entry::File), missing = int(Entry::Missing),
                  folder = int(Entry::Folder);
        const QByteArray data = TestFiles::randomBytes((3 << 20) + 17, 7);
        const auto changedAt = [&data](qsizetype at) {
            QByteArray changed = data;
            changed[at] = char(changed[at] ^ 0x40);
            return changed;
        };
        const qint64 middle = (1 << 20) + 12345;
        QTest::newRow("identical")
            << file << data << file << data << qint64(FileUtility::Identical);
        QTest::newRow("one byte, identical")
            << file << QByteArray("x") << file << QByteArray("x") << qint64(FileUtility::Identical);
        QTest::newRow("differ at 0") << file << data << file << changedAt(0) << qint64(0);
        QTest::newRow("differ past the first block")
            << file << data << file << changedAt(middle) << middle;
        QTest::newRow("differ at the last byte")
            << file << data << file << changedAt(data.size() - 1) << qint64(data.size() - 1);
        QTest::newRow("first is a prefix") << file << data.left(middle) << file << data << middle;
        QTest::newRow("second is a block-sized prefix")
            << file << data << file << data.left(1 << 20) << qint64(1 << 20);
        QTest::newRow("first missing")
            << missing << data << file << data << qint64(FileUtility::FirstOpen);
        QTest::newRow("second missing")
            << file << data << missing << data << qint64(FileUtility::SecondOpen);
        QTest::newRow("both missing")
            << missing << data << missing << data << qint64(FileUtility::FirstOpen);
        QTest::newRow("first a folder")
            << folder << data << file << data << qint64(FileUtility::FirstRead);
        QTest::newRow("second a folder")
            << file << data << folder << data << qint64(FileUtility::SecondRead);
        QTest::newRow("first empty")
            << file << QByteArray() << file << data << qint64(FileUtility::FirstEmpty);
        QTest::newRow("second empty")
            << file << data << file << QByteArray() << qint64(FileUtility::SecondEmpty);
        QTest::newRow("both empty")
            << file << QByteArray() << file << QByteArray() << qint64(FileUtility::FirstEmpty);
        QTest::newRow("empty, other missing")
            << file << QByteArray() << missing << data << qint64(FileUtility::SecondOpen);
    }

    void compareFiles()
    {
        QFETCH(int, firstKind);
        QFETCH(QByteArray, first);
        QFETCH(int, secondKind);
        QFETCH(QByteArray, second);
        QFETCH(qint64, expected);
        QTemporaryDir dir;
        const QString a = make(dir, "a", Entry(firstKind), first);
        const QString b = make(dir, "b", Entry(secondKind), second);
        QCOMPARE(FileUtility::compare_files(native(a), native(b)), expected);
    }

    void purge_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("readOnly");

        const QByteArray data = TestFiles::randomBytes((2 << 20) + 3, 8);
        for (const int level : {0, 1000}) {
            const QString name = QString("level %1, ").arg(level);
            QTest::newRow(qPrintable(name + "several blocks")) << level << data << false;
            QTest::newRow(qPrintable(name + "read-only")) << level << data.left(100) << true;
            QTest::newRow(qPrintable(name + "empty")) << level << QByteArray() << false;
        }
    }

    void purge()
    {
        QFETCH(int, level);
        QFETCH(QByteArray, data);
        QFETCH(bool, readOnly);
        QTemporaryDir dir;
        const QString path = make(dir, "secret", Entry::File, data);
        if (readOnly)
            QFile::setPermissions(path, QFileDevice::ReadOwner);
        // A second name for the same content shows what happened to the content itself.
        const QString witness = dir.filePath("witness");
        QCOMPARE(::link(native(path).c_str(), native(witness).c_str()), 0);

        QCOMPARE(FileUtility::purge_file(native(path), level, 0, -1), int(FileUtility::Purged));
        QVERIFY(!QFileInfo::exists(path));
        if (level == 0)
            QCOMPARE(TestFiles::read(witness), data);
        else
            QCOMPARE(QFileInfo(witness).size(), 0);
        QCOMPARE(FileUtility::purge_file(native(path), level, 0, -1), int(FileUtility::NoSuchFile));
    }

    void purgeSymbolicLinkKeepsTarget()
    {
        QTemporaryDir dir;
        const QByteArray data = "not to be touched";
        const QString target = make(dir, "target", Entry::File, data);
        const QString link = dir.filePath("link");
        QVERIFY(QFile::link(target, link));
        QCOMPARE(FileUtility::purge_file(native(link), 1000, 0, -1), int(FileUtility::Purged));
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(TestFiles::read(target), data);
    }

    void purgeFailures()
    {
        QTemporaryDir dir;
        const QString folder = make(dir, "folder", Entry::Folder, {});
        QVERIFY(FileUtility::purge_file(native(folder), 1000, 0, -1) <= -4);
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(FileUtility::purge_file(native(dir.filePath("none/x")), 1000, 0, -1),
                 int(FileUtility::NoSuchFile));

        if (::geteuid() == 0)
            QSKIP("permissions do not apply to root");
        const QString path = make(dir, "folder/f", Entry::File, "content");
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const int result = FileUtility::purge_file(native(path), 1000, 0, -1);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        QCOMPARE(result, int(FileUtility::UnlinkFailed));
    }

    void newFileCreatable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("expected");
        QTest::newRow("free name") << "new" << 1;
        QTest::newRow("existing file") << "existing" << 0;
        QTest::newRow("existing folder") << "folder" << 0;
        QTest::newRow("dangling link") << "dangling" << 0;
        QTest::newRow("missing folder") << "none/new" << 0;
        QTest::newRow("under a file") << "existing/new" << 0;
    }

    void newFileCreatable()
    {
        QFETCH(QString, name);
        QFETCH(int, expected);
        QTemporaryDir dir;
        make(dir, "existing", Entry::File, "keep");
        make(dir, "folder", Entry::Folder, {});
        QVERIFY(QFile::link(dir.filePath("gone"), dir.filePath("dangling")));
        const QStringList before = entries(dir);

        QCOMPARE(FileUtility::new_file_creatable(native(dir.filePath(name))), expected);
        QCOMPARE(entries(dir), before);
        QCOMPARE(TestFiles::read(dir.filePath("existing")), QByteArray("keep"));
        QCOMPARE(FileUtility::new_file_creatable(""), 0);
    }

    void newFilepathExtension_data()
    {
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("base");
        QTest::addColumn<int>("expected");
        QTest::newRow("nothing taken") << QStringList() << "doc.zr7" << 1;
        QTest::newRow("base name itself taken") << QStringList{"doc.zr7"} << "doc.zr7" << 1;
        QTest::newRow("1 and 2 taken") << QStringList{"doc.zr71", "doc.zr72"} << "doc.zr7" << 3;
        QTest::newRow("gap after 1") << QStringList{"doc.zr71", "doc.zr73"} << "doc.zr7" << 2;
        QTest::newRow("missing folder") << QStringList() << "none/doc" << 0;
    }

    void newFilepathExtension()
    {
        QFETCH(QStringList, taken);
        QFETCH(QString, base);
        QFETCH(int, expected);
        QTemporaryDir dir;
        for (const QString& name : taken)
            make(dir, name, Entry::File, "x");

        const int n = FileUtility::new_filepath_extension(native(dir.filePath(base)));
        QCOMPARE(n, expected);
        QCOMPARE(entries(dir).size(), taken.size()); // The probes leave nothing behind.
        if (n > 0)
            QVERIFY(!QFileInfo::exists(dir.filePath(base + QString::number(n))));
    }

    // Files made ahead for outputs: locked while held, taken by new outputs of their own folder
    // only, and gone when cleared or when another folder is filled.
    void reservedTemporaryFiles()
    {
        QTemporaryDir first, second;
        const PosixFile::Fd firstFd(::open(first.path().toLocal8Bit(), O_RDONLY | O_DIRECTORY));
        const PosixFile::Fd secondFd(::open(second.path().toLocal8Bit(), O_RDONLY | O_DIRECTORY));
        TemporaryReserve reserve;
        int asked = 0;
        reserve.fill(firstFd.get(), 5, [&] { return ++asked <= 3; });
        QCOMPARE(reserve.size(), std::size_t{3});
        const QStringList made = entries(first);
        QCOMPARE(made.size(), 3);
        for (const QString& name : made) {
            QVERIFY(PosixFile::isTemporaryName(name.toStdString()));
            const PosixFile::Fd other(::open(first.filePath(name).toLocal8Bit(), O_RDONLY));
            QVERIFY2(::flock(other.get(), LOCK_EX | LOCK_NB) != 0, "not locked while held");
        }

        OutputFile elsewhere; // another folder makes its own file
        QVERIFY(elsewhere.create("out.bin", secondFd.get(), &reserve));
        QCOMPARE(elsewhere.commit(), 0);
        QCOMPARE(reserve.size(), std::size_t{3});
        OutputFile output;
        QVERIFY(output.create("out.bin", firstFd.get(), &reserve));
        QCOMPARE(reserve.size(), std::size_t{2});
        QCOMPARE(::write(output.fd(), "data", 4), 4);
        QCOMPARE(output.commit(), 0);
        QCOMPARE(entries(first).size(), 3); // out.bin and the two left
        QCOMPARE(TestFiles::read(first.filePath("out.bin")), QByteArray("data"));

        reserve.fill(secondFd.get(), 1, [] { return true; });
        QCOMPARE(entries(first), QStringList{"out.bin"});
        QCOMPARE(entries(second).size(), 2);
        reserve.clear();
        QCOMPARE(entries(second), QStringList{"out.bin"});
        // However many outputs a folder has, the reserve keeps to a few descriptors.
        reserve.fill(secondFd.get(), 100000, [] { return true; });
        QCOMPARE(reserve.size(), TemporaryReserve::MaxFiles);
    }
};

QTEST_GUILESS_MAIN(tst_fileutility)
#include "tst_fileutility.moc"
