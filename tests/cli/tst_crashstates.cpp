#include "BatchFixture.h"
#include "CrashRecorder.h"
#include "CrashStates.h"
#include "TestFiles.h"
#include "analysis/TestCopies.h"
#include "cli/KeyCommands.h"
#include "core/ReportView.h"
#include "persist/OperationFile.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTest>

// No power loss at any moment of a run loses or damages a file of the user's. Each run below is
// recorded once, call by call (CrashRecorder); every state the disk may be left in is then built
// in a scratch folder and checked (CrashStates makes them). What the disk may hold:
//
// - A crash comes after the first k recorded calls, for every k.
// - Name changes (create, rename with or without exchange or no-replace, link, unlink, new
//   folder) reach the disk in the order they were made: those that did are the first p of the
//   ones made, for any p, except that a flush of a folder (fsync of the folder, or syncfs) has
//   put every name change in that folder, and all before it, on the disk.
// - A file's data (writes and size changes) since its last flush (fsync or fdatasync of the
//   file, or syncfs) may be missing, or there only up to a 4 KiB boundary, the rest as it was
//   at the flush; flushed data is there.
// - Tried for each crash point and p: all unflushed data missing, all there, and each file with
//   unflushed data torn at each 4 KiB boundary (up to 16) or whole, the other files' missing.
//   Identical states are tried once.
//
// What must hold in every state: a file of the user's holds what it held before or, changed by
// the run (in place, or an operation file saved over), what the run left in it; an output
// name holds nothing or the complete output, and the complete output once the run reported it
// done; any other name is a temporary file of the program's.
class tst_crashstates : public QObject
{
    Q_OBJECT

private slots:
    void noCrashLosesAFile_data();
    void noCrashLosesAFile();
};

namespace {

enum class Scenario {
    EncryptInPlace,
    DecryptInPlace,
    EncryptToFolder,
    DecryptToFolder,
    OperationFile,
    NewKey,
    TestCopies,
};

// A recorded run: the files before and after it, and its calls.
struct Recorded
{
    QMap<QString, QByteArray> before;
    QMap<QString, QByteArray> after;
    QStringList folders;
    QList<CrashRecorder::Op> ops;
};

QString Done(const QString& name)
{
    return QStringLiteral("done ") + name;
}

// Marks each file the moment the report shows it done: "NAME  SIZE   -> OUTPUT  SIZE" for a
// new output, "NAME  SIZE   -> SIZE" in place.
class DoneMarks : public ReportView
{
public:
    DoneMarks(CrashRecorder& recorder, const ReportText& report, const QString& inputFolder,
              const QString& outputFolder)
        : m_recorder(recorder), m_report(report), m_input(inputFolder), m_output(outputFolder)
    {
    }

    void TextAppended(const QString&, bool) override
    {
        static const QRegularExpression Line(QStringLiteral("^(\\S+) .*-> (?:(\\S+)  )?\\S+ bytes"),
                                             QRegularExpression::MultilineOption);
        for (auto it = Line.globalMatch(m_report.text()); it.hasNext();) {
            const QRegularExpressionMatch line = it.next();
            const QString name =
                line.hasCaptured(2) ? m_output + line.captured(2) : m_input + line.captured(1);
            if (!m_marked.contains(name)) {
                m_marked.insert(name);
                m_recorder.mark(Done(name));
            }
        }
    }

private:
    CrashRecorder& m_recorder;
    const ReportText& m_report;
    QString m_input, m_output;
    QSet<QString> m_marked;
};

Recorded Record(const QString& root, const std::function<void(CrashRecorder&)>& work)
{
    CrashRecorder recorder(root);
    work(recorder);
    return {recorder.initialFiles(), recorder.currentFiles(), recorder.initialFolders(),
            recorder.ops()};
}

// The sides of a batch: folders relative to the temporary folder, and file patterns.
struct Sides
{
    QString input, inputFiles, output, outputFiles;
};

QString Prefix(const QString& folder)
{
    return folder.isEmpty() ? folder : folder + QLatin1Char('/');
}

// One batch run in place on one file, or from "in" to "out" (and back to "back") on three,
// with files of other names beside them. A decryption decrypts what an encryption made first.
Recorded RecordBatch(bool encrypt, bool inPlace)
{
    BatchFixture f;
    // The smallest chunks: small files are then written in many pieces, by several workers.
    f.engine.set_chunk_log(StreamFormat::MinChunkLog);
    f.setup.blnOutputFilesSame = inPlace;
    f.write(QStringLiteral("notes.md"), TestFiles::randomBytes(5000, 1));
    Sides encryption = {"", "doc.txt", "", "*.*"};
    Sides decryption = encryption;
    if (inPlace) {
        f.write(QStringLiteral("doc.txt"), TestFiles::randomBytes(160 * 1024 + 300, 2));
    } else {
        encryption = {"in", "*.txt", "out", "*.enc"};
        decryption = {"out", "*.enc", "back", "*.txt"};
        for (int i : {0, 1, 2})
            f.write(QStringLiteral("in/f%1.txt").arg(i),
                    TestFiles::randomBytes(3000 + i * 40000, i));
        f.write(QStringLiteral("out/old.dat"), "kept as it is");
        QDir().mkpath(f.path(QStringLiteral("back")));
    }
    if (!encrypt)
        f.Run(encryption.input, encryption.inputFiles, encryption.output, encryption.outputFiles);
    f.setup.blnEncrypt = encrypt;
    const Sides& sides = encrypt ? encryption : decryption;
    return Record(f.dir.path(), [&](CrashRecorder& recorder) {
        DoneMarks marks(recorder, f.driver.report(), Prefix(sides.input), Prefix(sides.output));
        f.driver.SetView(&marks);
        f.Run(sides.input, sides.inputFiles, sides.output, sides.outputFiles);
        f.driver.SetView(nullptr);
        QCOMPARE(f.driver.counters().filesDone, inPlace ? 1 : 3);
    });
}

Recorded RecordOperationFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.opn"));
    Setup setup;
    setup.strDirpath = {QStringLiteral("/a/"), QStringLiteral("/b/")};
    [&] { QVERIFY(WriteOperationFile(path, setup)); }();
    TestFiles::write(dir.filePath(QStringLiteral("other.opn")), "another operation");
    setup.strDirpath = {QStringLiteral("/a much longer input folder/"), QStringLiteral("/c/")};
    return Record(dir.path(), [&](CrashRecorder& recorder) {
        QVERIFY(WriteOperationFile(path, setup));
        recorder.mark(Done(QStringLiteral("saved.opn")));
    });
}

Recorded RecordNewKey()
{
    QTemporaryDir dir;
    TestFiles::write(dir.filePath(QStringLiteral("old.key")), TestFiles::randomBytes(64, 3));
    return Record(dir.path(), [&](CrashRecorder& recorder) {
        QCOMPARE(RunNewKey({dir.filePath(QStringLiteral("new.key"))}), 0);
        recorder.mark(Done(QStringLiteral("new.key")));
    });
}

Recorded RecordTestCopies()
{
    QTemporaryDir dir;
    const QList<TestCopies::Pair> pairs = {{QStringLiteral("t1.txt"), QStringLiteral("t1.bak")},
                                           {QStringLiteral("t2.txt"), QStringLiteral("t2.bak")}};
    TestFiles::write(dir.filePath(QStringLiteral("t1.txt")), TestFiles::randomBytes(6000, 4));
    TestFiles::write(dir.filePath(QStringLiteral("t2.txt")), TestFiles::randomBytes(13000, 5));
    return Record(dir.path(), [&](CrashRecorder& recorder) {
        QString refusal;
        QVERIFY(::TestCopies(dir.path() + QLatin1Char('/')).Make(pairs, refusal));
        for (const QString& name : {pairs[0].copy, pairs[1].copy, TestCopies::ListName})
            recorder.mark(Done(name));
    });
}

Recorded RecordScenario(Scenario scenario)
{
    switch (scenario) {
    case Scenario::EncryptInPlace:
    case Scenario::DecryptInPlace:
        return RecordBatch(scenario == Scenario::EncryptInPlace, true);
    case Scenario::EncryptToFolder:
    case Scenario::DecryptToFolder:
        return RecordBatch(scenario == Scenario::EncryptToFolder, false);
    case Scenario::OperationFile:
        return RecordOperationFile();
    case Scenario::NewKey:
        return RecordNewKey();
    case Scenario::TestCopies:
        return RecordTestCopies();
    }
    return {};
}

// The state's files on the disk, in `folder`, and what the disk then shows.
QMap<QString, QByteArray> Built(const CrashStates::State& state, const QString& folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (const QString& name : state.folders)
        QDir(folder).mkpath(name);
    for (auto file = state.files.cbegin(); file != state.files.cend(); ++file)
        TestFiles::write(folder + QLatin1Char('/') + file.key(), file.value());
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(folder.size() + 1), TestFiles::read(path));
    }
    return files;
}

bool IsTemporary(const QString& name)
{
    static const QRegularExpression Temporary(QStringLiteral("(^|/)\\.zr7-[0-9a-f]{12}\\.tmp$"));
    return Temporary.match(name).hasMatch();
}

// How the `bytes` found under `name` compare with the original and the result.
QString How(const Recorded& run, const QString& name, const QByteArray& bytes)
{
    QStringList parts;
    for (const auto& [what, files] : {std::pair(QStringLiteral("original"), &run.before),
                                      std::pair(QStringLiteral("result"), &run.after)}) {
        if (!files->contains(name))
            continue;
        const QByteArray& whole = (*files)[name];
        parts << (whole.startsWith(bytes) ? QStringLiteral("the first of the %1's %2 bytes")
                                          : QStringLiteral("not the %1's %2 bytes"))
                     .arg(what)
                     .arg(whole.size());
    }
    return QStringLiteral("%1 holds %2 bytes, %3")
        .arg(name)
        .arg(bytes.size())
        .arg(parts.join(QStringLiteral(" and ")));
}

// What is wrong in a state whose files are `present`: one text per name, none when every
// file of the user's is safe.
QStringList Wrong(const Recorded& run, const QStringList& marks,
                  const QMap<QString, QByteArray>& present)
{
    QStringList wrong;
    QStringList names = run.before.keys() + run.after.keys();
    names.removeDuplicates();
    for (const QString& name : names) {
        const bool done = marks.contains(Done(name));
        const bool stays = run.before.contains(name) && run.after.contains(name);
        if (!present.contains(name)) {
            if (done || stays)
                wrong << name + (done ? QStringLiteral(" missing after it was reported done")
                                      : QStringLiteral(" missing"));
            continue;
        }
        const QByteArray& bytes = present[name];
        if (bytes == run.after.value(name) ||
            (!done && run.before.contains(name) && bytes == run.before[name]))
            continue;
        wrong << How(run, name, bytes) +
                     (done ? QStringLiteral(", after it was reported done") : QString());
    }
    for (auto file = present.cbegin(); file != present.cend(); ++file) {
        if (!names.contains(file.key()) && !IsTemporary(file.key()))
            wrong << file.key() + QStringLiteral(" is no name of the run's");
    }
    return wrong;
}

QString Crash(const CrashStates& states, const CrashStates::State& state)
{
    const QString last = state.point == 0 ? QStringLiteral("before the first call")
                                          : CrashRecorder::describe(states.ops()[state.point - 1]);
    return QStringLiteral("crash after call %1 (%2), %3 of %4 name changes on the disk, %5")
        .arg(state.point)
        .arg(last)
        .arg(state.persisted)
        .arg(state.made)
        .arg(state.data);
}

} // namespace

void tst_crashstates::noCrashLosesAFile_data()
{
    QTest::addColumn<Scenario>("scenario");
    QTest::newRow("encryption in place") << Scenario::EncryptInPlace;
    QTest::newRow("decryption in place") << Scenario::DecryptInPlace;
    QTest::newRow("encryption to a folder") << Scenario::EncryptToFolder;
    QTest::newRow("decryption to a folder") << Scenario::DecryptToFolder;
    QTest::newRow("operation file saved over") << Scenario::OperationFile;
    QTest::newRow("new keyfile") << Scenario::NewKey;
    QTest::newRow("reliability test copies") << Scenario::TestCopies;
}

void tst_crashstates::noCrashLosesAFile()
{
    QFETCH(Scenario, scenario);
    const Recorded run = RecordScenario(scenario);
    if (QTest::currentTestFailed())
        return;
    const CrashStates states(run.before, run.folders, run.ops);
    QVERIFY2(states.finalFiles() == run.after, "the trace misses changes the run made");
    QTemporaryDir scratch;
    int vulnerable = 0;
    const int explored = states.forEach([&](const CrashStates::State& state) {
        const QStringList wrong =
            Wrong(run, state.marks, Built(state, scratch.filePath(QStringLiteral("state"))));
        if (!wrong.isEmpty() && ++vulnerable <= 5)
            qInfo().noquote() << Crash(states, state) + QStringLiteral(": ") +
                                     wrong.join(QStringLiteral("; "));
    });
    qInfo("%d calls recorded, %d crash points, %d states explored, %d vulnerable",
          int(run.ops.size()), states.points(), explored, vulnerable);
    QVERIFY2(vulnerable == 0, "a power loss may lose or damage a file");
}

QTEST_GUILESS_MAIN(tst_crashstates)
#include "tst_crashstates.moc"
