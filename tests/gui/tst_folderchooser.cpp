#include "gui/FileDialog.h"
#include "gui/FolderChooser.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

// The folder chooser's test answer, and its return form.
class tst_folderchooser : public QObject
{
    Q_OBJECT

private slots:
    void answeredChoice_data();
    void answeredChoice();
    void answerServesOneCallOnly();
};

void tst_folderchooser::answeredChoice_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("returned");
    const auto row = [](const char* tag, const QString& chosen, const QString& returned) {
        QTest::newRow(tag) << chosen << returned;
    };
    row("folder", "/home/ann/docs", "/home/ann/docs");
    row("trailing slash dropped", "/home/ann/docs/", "/home/ann/docs");
    row("root", "/", "/");
    row("cancel", "", "");
}

void tst_folderchooser::answeredChoice()
{
    QFETCH(QString, chosen);
    QFETCH(QString, returned);
    FileDialog::setNextDirectory(chosen);
    QCOMPARE(FolderChooser::BrowseForFolder(nullptr, "Specify input folder"), returned);
}

// After an answered call the real chooser comes up; closing it counts as cancel.
void tst_folderchooser::answerServesOneCallOnly()
{
    FileDialog::setNextDirectory("/tmp");
    QCOMPARE(FolderChooser::BrowseForFolder(nullptr, "Specify input folder"), "/tmp");
    QString shownTitle;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            shownTitle = dialog->windowTitle();
            dialog->reject();
        }
    });
    closer.start(20);
    QCOMPARE(FolderChooser::BrowseForFolder(nullptr, "Specify output folder"), QString());
    QCOMPARE(shownTitle, QStringLiteral("Specify output folder"));
}

QTEST_MAIN(tst_folderchooser)
#include "tst_folderchooser.moc"
