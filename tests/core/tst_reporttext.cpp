#include "ScriptedInteraction.h"
#include "core/ReportText.h"
#include "core/RunError.h"

#include <QTest>

// The report text: its capacity, the quiet state and the buffer-full notices.
class TestReportText : public QObject
{
    Q_OBJECT

private slots:
    void capacity();
    void bufferFull_data();
    void bufferFull();
    void quietKeepsDirectWrites();
};

void TestReportText::capacity()
{
    ReportText report;
    report.SetCapacity(10);
    report.Write(QStringLiteral("12345"));
    report.AppendToReport(QStringLiteral("67890"), true);
    try {
        report.AppendToReport(QStringLiteral("x"), false);
        QFAIL("an addition past the capacity must fail");
    } catch (const RunError& error) {
        QCOMPARE(error.kind(), RunError::Kind::ReportFull);
        QCOMPARE(error.description(),
                 QStringLiteral("The report holds its maximum of 10 characters."));
    }
    QCOMPARE(report.text(), QStringLiteral("1234567890"));
    report.CutFromEnd(QStringLiteral("890"));
    report.CutFromEnd(QStringLiteral("not the end"));
    QCOMPARE(report.text(), QStringLiteral("1234567"));
}

void TestReportText::bufferFull_data()
{
    QTest::addColumn<bool>("randomness");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("before"); // report length before the handling
    QTest::addColumn<QString>("notices");
    QTest::addColumn<bool>("stop");
    const QString filled = QStringLiteral("The output report buffer was filled.\n");
    QTest::newRow("randomness report")
        << true << 0 << 100
        << filled + QStringLiteral("This randomness report was terminated at this point.\n")
        << true;
    QTest::newRow("operation, No")
        << false << int(Interaction::No) << 300
        << filled + QStringLiteral("This operation was terminated at the user's request.\n"
                                   "Note: Some files were not decrypted.\n")
        << true;
    QTest::newRow("operation, Yes")
        << false << int(Interaction::Yes) << 2000
        << filled + QStringLiteral("Subsequent operations on individual files will continue,\n"
                                   "but results will not be reported here.\n\n")
        << false;
}

void TestReportText::bufferFull()
{
    QFETCH(bool, randomness);
    QFETCH(int, answer);
    QFETCH(int, before);
    QFETCH(QString, notices);
    QFETCH(bool, stop);
    ReportText report;
    const QString text = QString(before, QLatin1Char('r'));
    report.Write(text);
    ScriptedInteraction interaction;
    if (!randomness)
        interaction.Expect(QStringLiteral("Report buffer full"), Interaction::Button(answer));
    QCOMPARE(report.BufferFull(interaction, randomness, false), stop);
    QVERIFY(interaction.scriptDone());
    // The last 500 characters go; a shorter report goes entirely.
    const QString kept = text.left(qMax(0, before - 500));
    QCOMPARE(report.text(), kept + QStringLiteral("\n\n") + notices);
    QCOMPARE(report.quiet, !stop);
    if (randomness) {
        QCOMPARE(interaction.shown,
                 QStringList{QStringLiteral("Report buffer full: The output report buffer has "
                                            "been filled.\nThis randomness report cannot "
                                            "continue and will now terminate.")});
        QCOMPARE(interaction.icons.first(), Interaction::Icon::Exclamation);
    }
}

void TestReportText::quietKeepsDirectWrites()
{
    ReportText report;
    report.quiet = true;
    report.AppendToReport(QStringLiteral("per-file result"), true);
    report.Write(QStringLiteral("statistics"));
    QCOMPARE(report.text(), QStringLiteral("statistics"));
}

QTEST_GUILESS_MAIN(TestReportText)
#include "tst_reporttext.moc"
