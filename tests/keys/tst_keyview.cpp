#include "keys/KeyView.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>

// The rows of the inspection window in its three views, and its randomness line.
class tst_keyview : public QObject
{
    Q_OBJECT

private slots:
    void rows_data();
    void rows();
    void randomnessFollowsTheLocale_data();
    void randomnessFollowsTheLocale();
};

namespace {

enum View { Ascii, Decimal, Hexadecimal };

} // namespace

void tst_keyview::rows_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("textKey");
    QTest::addColumn<int>("view");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("decimal right-aligned, NUL shown as 0")
        << QByteArray("\x07\x2a\xc8\0", 4) << false << int(Decimal)
        << QStringList{"  7  42 200   0 ", "", "", ""};
    QTest::newRow("text key: NUL is a blank cell")
        << QByteArray("k\0", 2) << true << int(Decimal) << QStringList{"107     ", "", "", ""};
    QTest::newRow("64 bytes fill four rows") << QByteArray(64, '\x21') << false << int(Hexadecimal)
                                             << QStringList(4, QString(" 21 ").repeated(16));
    QTest::newRow("two lines with CR LF")
        << QByteArray("first line\r\nsecond\r\n") << true << int(Ascii)
        << QStringList{"first line", "second", "", ""};
    QTest::newRow("Linux line feeds") << QByteArray("one\ntwo\n\nfour") << true << int(Ascii)
                                      << QStringList{"one", "two", "", "four"};
    QTest::newRow("NULs left out")
        << QByteArray("a\0b\0\0c", 6) << true << int(Ascii) << QStringList{"abc", "", "", ""};
    QTest::newRow("a fifth line is not shown") << QByteArray("1\r\n2\r\n3\r\n4\r\n5") << true
                                               << int(Ascii) << QStringList{"1", "2", "3", "4"};
    QTest::newRow("Windows-1252 characters")
        << QByteArray("\x80\xe9\x9f") << true << int(Ascii)
        << QStringList{QString::fromUtf8("\xe2\x82\xac\xc3\xa9\xc5\xb8"), "", "", ""};
}

void tst_keyview::rows()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, textKey);
    QFETCH(int, view);
    QFETCH(QStringList, rows);
    const KeyView::Rows got = view == Ascii     ? KeyView::AsciiRows(bytes)
                              : view == Decimal ? KeyView::DecimalRows(bytes, textKey)
                                                : KeyView::HexadecimalRows(bytes, textKey);
    QCOMPARE(QStringList(got.begin(), got.end()), rows);
}

void tst_keyview::randomnessFollowsTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("English") << "en_US"
                             << R"(^Randomness is 0\.\d{3}\.$)";
    QTest::newRow("German") << "de_DE"
                            << R"(^Randomness is 0,\d{3}\.$)";
}

void tst_keyview::randomnessFollowsTheLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, pattern);
    QByteArray bytes(64, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(33 + (i * 97) % 223);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    const QString text = KeyView::RandomnessText(bytes);
    QLocale::setDefault(previous);
    QVERIFY2(QRegularExpression(pattern).match(text).hasMatch(), qPrintable(text));
}

QTEST_APPLESS_MAIN(tst_keyview)
#include "tst_keyview.moc"
