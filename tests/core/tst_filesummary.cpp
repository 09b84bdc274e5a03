#include "TestFiles.h"
#include "core/FileSummary.h"
#include "core/Setup.h"
#include "support/FileRandomness.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <random>

// The main window's description of each side: comments for named files and wildcards.
class tst_filesummary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void inputComment_data();
    void inputComment();
    void outputComment_data();
    void outputComment();
    void longFolderIsShortened();
    void hintLine();

private:
    QTemporaryDir m_dir;
    QString m_folder;
};

namespace {

// Bytes drawn from `symbols` codes: fewer symbols, less random.
QByteArray FromAlphabet(int size, int symbols, unsigned seed)
{
    std::mt19937 generator(seed);
    QByteArray bytes(size, '\0');
    for (char& b : bytes)
        b = static_cast<char>(generator() % symbols);
    return bytes;
}

} // namespace

void tst_filesummary::initTestCase()
{
    m_folder = m_dir.path() + '/';
    QVERIFY(TestFiles::write(m_folder + "random.bin", TestFiles::randomBytes(2000, 5)));
    QVERIFY(TestFiles::write(m_folder + "text.txt",
                             QByteArray("Plain words of a letter to a friend. ").repeated(40)));
    QVERIFY(TestFiles::write(m_folder + "middle.bin", FromAlphabet(2048, 90, 1)));
    QVERIFY(TestFiles::write(m_folder + "small.bin", TestFiles::randomBytes(100, 6)));
    QVERIFY(TestFiles::write(m_folder + "empty.bin", QByteArray()));
    QVERIFY(QDir(m_folder).mkdir("sub"));
    // The middle file must measure between 0.8 and 0.89 for its row to mean anything.
    const double r = FileRandomness::fr(TestFiles::native(m_folder + "middle.bin"), 256).value;
    QVERIFY2(r >= 0.8 && r <= 0.89, qPrintable(QString::number(r)));
}

void tst_filesummary::inputComment_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<int>("offset"); // twips, with 106 per character
    QTest::newRow("random file") << "random.bin"
                                 << "1.95 KB  (Seems to be either encrypted or compressed.)"
                                 << 10 * 106 + 300;
    QTest::newRow("text") << "text.txt"
                          << "1.45 KB  (Seems not ZR7-encrypted.)" << 8 * 106 + 300;
    QTest::newRow("between 0.8 and 0.89") << "middle.bin"
                                          << "2.00 KB" << 10 * 106 + 300;
    QTest::newRow("shorter than 256 bytes")
        << "small.bin"
        << "100 bytes  (Seems not ZR7-encrypted.)" << 9 * 106 + 300;
    QTest::newRow("missing") << "gone.bin"
                             << "(File not found.)" << 8 * 106 + 300;
    QTest::newRow("empty") << "empty.bin"
                           << "(File is empty.)" << 9 * 106 + 300;
    QTest::newRow("a folder cannot be read as a file") << "sub"
                                                       << "(Error reading file.)" << 3 * 106 + 300;
    QTest::newRow("all files") << "*.*"
                               << "(All files.)" << 5 * 106;
    QTest::newRow("extension") << "*.txt"
                               << "(All files with extension \"txt\".)" << 5 * 106 + 300;
    QTest::newRow("pattern") << "a*.d*"
                             << "(All files of the form \"a*.d*\".)" << 5 * 106 + 300;
    QTest::newRow("long pattern") << "abcdefghijklmnopqrs*.*"
                                  << "" << 22 * 106 + 300;
    QTest::newRow("nothing") << ""
                             << "" << 0;
}

void tst_filesummary::inputComment()
{
    QFETCH(QString, spec);
    QFETCH(QString, comment);
    QFETCH(int, offset);
    Setup setup;
    setup.strNotSpecifiedWord = "(not specified)";
    setup.strDirpath = {m_folder, m_folder};
    setup.strFilespec = {spec, spec};
    const SideSummary summary = FileSummary::Describe(setup, Setup::Input);
    QCOMPARE(summary.comment, comment);
    QCOMPARE(summary.commentOffset, offset);
    QCOMPARE(summary.folderLine, m_folder);
    QCOMPARE(summary.filesLine, spec.isEmpty() ? QStringLiteral("(not specified)") : spec);
}

void tst_filesummary::outputComment_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<bool>("same");
    QTest::addColumn<QString>("comment");
    QTest::newRow("existing file") << "random.bin" << false << "(File exists already.)";
    QTest::newRow("existing short file") << "small.bin" << false << "(File exists already.)";
    QTest::newRow("existing empty file") << "empty.bin" << false << "(File exists already.)";
    QTest::newRow("output same as input") << "random.bin" << true << "";
    QTest::newRow("new file") << "new.enc" << false << "";
    QTest::newRow("wildcards") << "*.enc" << false << "";
}

void tst_filesummary::outputComment()
{
    QFETCH(QString, spec);
    QFETCH(bool, same);
    QFETCH(QString, comment);
    Setup setup;
    setup.blnOutputFilesSame = same;
    setup.strDirpath = {m_folder, m_folder};
    setup.strFilespec = {"x", spec};
    QCOMPARE(FileSummary::Describe(setup, Setup::Output).comment, comment);
}

void tst_filesummary::longFolderIsShortened()
{
    Setup setup;
    setup.strDirpath[0] = "/home/" + QString(70, 'a') + "/docs/";
    const QString line = FileSummary::Describe(setup, Setup::Input).folderLine;
    QVERIFY(line.size() <= 70);
    QVERIFY(line.startsWith("/ho..."));
}

void tst_filesummary::hintLine()
{
    Setup setup;
    QCOMPARE(FileSummary::HintLine(setup),
             QStringLiteral("To encrypt multiple files specify input folder and input files."));
    setup.blnEncrypt = false;
    QCOMPARE(FileSummary::HintLine(setup),
             QStringLiteral("To decrypt multiple files specify input folder and input files."));
    setup.strFilespec[0] = "*.txt";
    QCOMPARE(FileSummary::HintLine(setup), QString());
}

QTEST_GUILESS_MAIN(tst_filesummary)
#include "tst_filesummary.moc"
