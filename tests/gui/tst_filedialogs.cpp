#include "ScriptedInteraction.h"
#include "TestFiles.h"
#include "WhenShown.h"
#include "gui/frmSpecifyInputFiles.h"
#include "gui/frmSpecifyOutputFiles.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

Q_DECLARE_METATYPE(Choice)

namespace {

// The controls both file dialogs share, so that one test drives either.
struct View
{
    QDialog* dialog = nullptr;
    QRadioButton* optSingleFile = nullptr;
    QListWidget* File = nullptr;
    QRadioButton* optExtension = nullptr;
    QLabel* lblExtension = nullptr;
    QLineEdit* txbExtension = nullptr;
    QLabel* lblFilespec = nullptr;
    QLineEdit* txbFilespec = nullptr;
    QPushButton* cmdAccept = nullptr;
    QPushButton* cmdCancel = nullptr;
    std::function<FileChoiceResult()> run;
    std::function<void()> rebuild;
};

template <class Dialog> View ViewOf(Dialog& d, const QString& folder, bool encrypt, qint64 numFiles)
{
    View v{&d,
           d.optSingleFile,
           d.File,
           d.optExtension,
           d.lblExtension,
           d.txbExtension,
           d.lblFilespec,
           d.txbFilespec,
           d.cmdAccept,
           d.cmdCancel,
           {},
           {}};
    v.run = [&d, folder, encrypt, numFiles] { return d.Run(folder, encrypt, numFiles); };
    v.rebuild = [&d, folder, encrypt, numFiles] { d.Rebuild(folder, encrypt, numFiles); };
    return v;
}

void ClickItem(QListWidget* list, int row, bool twice = false)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    // A real double-click starts with a single one.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

// The input and output file dialogs, shown modally and driven as a user would.
class tst_filedialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void extensionBox_data();
    void extensionBox();
    void emptyFolderDisablesTheList_data();
    void emptyFolderDisablesTheList();
    void captions_data();
    void captions();
    void singleFileFromTheList_data();
    void singleFileFromTheList();
    void typedChoices_data();
    void typedChoices();
    void cancelAndReopen_data();
    void cancelAndReopen();
    void nextResultAnswersOnce();
    void listAccountsForEveryName();

private:
    // Runs `action` once `window` is the active modal window.
    View Open(bool output, bool encrypt = true, qint64 numFiles = 2);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedInteraction> m_interaction;
    std::unique_ptr<frmSpecifyInputFiles> m_input;
    std::unique_ptr<frmSpecifyOutputFiles> m_output;
};

void tst_filedialogs::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(TestFiles::write(m_dir->filePath(QStringLiteral("alpha.txt")), "a"));
    QVERIFY(TestFiles::write(m_dir->filePath(QStringLiteral("beta.doc")), "b"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub")));
    m_interaction = std::make_unique<ScriptedInteraction>();
    m_input = std::make_unique<frmSpecifyInputFiles>(nullptr, *m_interaction);
    m_output = std::make_unique<frmSpecifyOutputFiles>(nullptr, *m_interaction);
}

void tst_filedialogs::cleanup()
{
    m_output.reset();
    m_input.reset();
    m_interaction.reset();
    m_dir.reset();
}

View tst_filedialogs::Open(bool output, bool encrypt, qint64 numFiles)
{
    const QString folder = m_dir->path() + QLatin1Char('/');
    return output ? ViewOf(*m_output, folder, encrypt, numFiles)
                  : ViewOf(*m_input, folder, encrypt, numFiles);
}

void tst_filedialogs::extensionBox_data()
{
    QTest::addColumn<bool>("output");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("text"); // "refused": the dot message, the dialog stays

    for (const bool output : {false, true}) {
        const char* side = output ? "output" : "input";
        QTest::addRow("%s star dot", side) << output << "*.doc" << false << true << "doc";
        QTest::addRow("%s dot", side) << output << ".doc" << true << true << "doc";
        QTest::addRow("%s blanks", side) << output << " doc " << false << true << "doc";
        QTest::addRow("%s empty", side) << output << "" << false << false << "";
        QTest::addRow("%s only star dot", side) << output << " *. " << true << false << "";
        QTest::addRow("%s two dots", side) << output << "tar.gz" << false << false << "refused";
        QTest::addRow("%s star dot dot", side) << output << "*..doc" << true << false << "refused";
    }
}

void tst_filedialogs::extensionBox()
{
    QFETCH(bool, output);
    QFETCH(QString, typed);
    QFETCH(bool, enter);
    QFETCH(bool, accepted);
    QFETCH(QString, text);
    const bool refused = !accepted && !text.isEmpty();

    View v = Open(output);
    bool stayedOpen = false;
    WhenShown(v.dialog, [&] {
        QVERIFY(v.optSingleFile->isChecked());
        QTest::keyClicks(v.txbExtension, typed);
        if (!typed.isEmpty())
            QVERIFY(v.optExtension->isChecked());
        else
            v.optExtension->click();
        if (enter)
            QTest::keyClick(v.txbExtension, Qt::Key_Return);
        else
            v.cmdAccept->click();
        stayedOpen = v.dialog->isVisible();
        if (stayedOpen)
            v.cmdCancel->click();
    });
    const FileChoiceResult result = v.run();

    QCOMPARE(stayedOpen, refused);
    QCOMPARE(result.blnAccept, accepted);
    if (accepted) {
        QCOMPARE(result.choice, Choice::Extension);
        QCOMPARE(result.text, text);
    }
    const QStringList expected{QStringLiteral("Error: Extension must not contain \".\".")};
    QCOMPARE(m_interaction->shown, refused ? expected : QStringList());
    if (refused)
        QCOMPARE(m_interaction->icons.first(), Interaction::Icon::Exclamation);
}

void tst_filedialogs::emptyFolderDisablesTheList_data()
{
    QTest::addColumn<bool>("output");
    QTest::newRow("input") << false;
    QTest::newRow("output") << true;
}

void tst_filedialogs::emptyFolderDisablesTheList()
{
    QFETCH(bool, output);
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("alpha.txt"))));
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("beta.doc"))));

    View v = Open(output, true, 0);
    // A list left over from an earlier, fuller folder must not survive.
    Open(output, true, 2).rebuild();
    v.rebuild();
    QVERIFY(!v.optSingleFile->isEnabled());
    QVERIFY(!v.File->isEnabled());
    QCOMPARE(v.File->count(), 0);
    QVERIFY(v.optExtension->isChecked());
    QVERIFY(!v.optSingleFile->isChecked());
}

void tst_filedialogs::captions_data()
{
    QTest::addColumn<bool>("output");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("single");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("example");
    QTest::addColumn<QString>("specExample");

    QTest::newRow("input encrypt") << false << true << "Encrypt a single file:"
                                   << "Encrypt all files with a particular extension"
                                   << "e.g., txt or doc:"
                                   << "e.g., a*.d*:";
    QTest::newRow("input decrypt") << false << false << "Decrypt a single file:"
                                   << "Decrypt all files with a particular extension"
                                   << "e.g., enc:"
                                   << "e.g., a*.e*:";
    QTest::newRow("output encrypt") << true << true << "Encrypt to an existing file"
                                    << "Encrypt to files with a particular extension"
                                    << "e.g., enc:"
                                    << "e.g., a*.e*:";
    QTest::newRow("output decrypt") << true << false << "Decrypt to an existing file"
                                    << "Decrypt to files with a particular extension"
                                    << "e.g., txt or doc:"
                                    << "e.g., a*.d*:";
}

void tst_filedialogs::captions()
{
    QFETCH(bool, output);
    QFETCH(bool, encrypt);
    QFETCH(QString, single);
    QFETCH(QString, extension);
    QFETCH(QString, example);
    QFETCH(QString, specExample);

    // The other function first, so that every caption has to change.
    Open(output, !encrypt).rebuild();
    View v = Open(output, encrypt);
    v.rebuild();
    QCOMPARE(v.optSingleFile->text(), single);
    QCOMPARE(v.optExtension->text(), extension);
    QCOMPARE(v.lblExtension->text(), example);
    QCOMPARE(v.lblFilespec->text(), specExample);
    const QString verb = encrypt ? QStringLiteral("Encrypt") : QStringLiteral("Decrypt");
    if (output) {
        QCOMPARE(m_output->optNewFile->text(), verb + QStringLiteral(" to a new file:"));
        QCOMPARE(m_output->lblSingleFile->text(), QStringLiteral("(which will be overwritten):"));
        QCOMPARE(m_output->optMultipleFiles->text(),
                 verb + QStringLiteral(" to files satisfying a file specification"));
    } else {
        QCOMPARE(m_input->optAllFiles->text(), verb + QStringLiteral(" all files (*.*)"));
        QCOMPARE(m_input->optMultipleFiles->text(),
                 verb + QStringLiteral(" all files satisfying a file specification"));
    }
}

void tst_filedialogs::singleFileFromTheList_data()
{
    QTest::addColumn<bool>("output");
    QTest::addColumn<int>("how"); // 0 click and Accept, 1 double-click, 2 Accept with none
    for (const bool output : {false, true}) {
        const char* side = output ? "output" : "input";
        QTest::addRow("%s click", side) << output << 0;
        QTest::addRow("%s double-click", side) << output << 1;
        QTest::addRow("%s nothing selected", side) << output << 2;
    }
}

void tst_filedialogs::singleFileFromTheList()
{
    QFETCH(bool, output);
    QFETCH(int, how);

    View v = Open(output);
    QString clicked;
    WhenShown(v.dialog, [&] {
        QCOMPARE(v.File->count(), 2); // the regular files only, not "sub"
        // Typing elsewhere first: the list click has to bring the single-file option back.
        QTest::keyClicks(v.txbFilespec, QStringLiteral("*.x"));
        QVERIFY(!v.optSingleFile->isChecked());
        if (how == 2) {
            v.optSingleFile->click();
        } else {
            clicked = v.File->item(1)->text();
            ClickItem(v.File, 1, how == 1);
            QVERIFY(v.optSingleFile->isChecked());
        }
        if (v.dialog->isVisible())
            v.cmdAccept->click();
    });
    const FileChoiceResult result = v.run();

    QCOMPARE(result.blnAccept, how != 2);
    if (how != 2) {
        QCOMPARE(result.choice, Choice::SingleFile);
        QCOMPARE(result.text, clicked);
        QVERIFY(QFileInfo(m_dir->filePath(clicked)).isFile());
    }
}

void tst_filedialogs::typedChoices_data()
{
    QTest::addColumn<bool>("output");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<Choice>("choice");
    QTest::addColumn<QString>("text");

    QTest::newRow("input spec") << false << "txbFilespec"
                                << " a*.d* " << true << Choice::FileSpec << "a*.d*";
    QTest::newRow("input blank spec") << false << "txbFilespec"
                                      << "   " << false << Choice::FileSpec << "";
    QTest::newRow("output spec") << true << "txbFilespec"
                                 << "x*.*" << true << Choice::FileSpec << "x*.*";
    QTest::newRow("output new file")
        << true << "txbNewFile"
        << "  new file.enc " << true << Choice::NewFile << "new file.enc";
    QTest::newRow("output blank new file") << true << "txbNewFile"
                                           << " " << false << Choice::NewFile << "";
}

void tst_filedialogs::typedChoices()
{
    QFETCH(bool, output);
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(Choice, choice);
    QFETCH(QString, text);

    View v = Open(output);
    WhenShown(v.dialog, [&] {
        QLineEdit* edit = box == QLatin1String("txbNewFile") ? m_output->txbNewFile : v.txbFilespec;
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Enter);
    });
    const FileChoiceResult result = v.run();

    QVERIFY(!v.dialog->isVisible());
    QCOMPARE(result.blnAccept, accepted);
    QCOMPARE(result.choice, choice);
    QCOMPARE(result.text, accepted ? text : typed.trimmed());
}

void tst_filedialogs::cancelAndReopen_data()
{
    QTest::addColumn<bool>("output");
    QTest::addColumn<QString>("how");
    for (const bool output : {false, true}) {
        for (const char* how : {"Cancel", "close box", "Escape in a box", "Escape in the list"})
            QTest::addRow("%s %s", output ? "output" : "input", how) << output << QString(how);
    }
}

void tst_filedialogs::cancelAndReopen()
{
    QFETCH(bool, output);
    QFETCH(QString, how);

    View v = Open(output);
    WhenShown(v.dialog, [&] {
        QTest::keyClicks(v.txbExtension, QStringLiteral("enc"));
        QTest::keyClicks(v.txbFilespec, QStringLiteral("*.enc"));
        if (how == "close box")
            v.dialog->close();
        else if (how == "Escape in a box")
            QTest::keyClick(v.txbFilespec, Qt::Key_Escape);
        else if (how == "Escape in the list")
            QTest::keyClick(v.File, Qt::Key_Escape);
        else
            v.cmdCancel->click();
    });
    QVERIFY(!v.run().blnAccept);

    // Nothing typed before survives into the next visit.
    WhenShown(v.dialog, [&] {
        QVERIFY(v.txbExtension->text().isEmpty());
        QVERIFY(v.txbFilespec->text().isEmpty());
        QVERIFY(v.optSingleFile->isChecked());
        // The dialog takes focus once it is active, which a busy machine may delay.
        QTRY_COMPARE(QApplication::focusWidget(), v.cmdCancel);
        v.optExtension->click();
        QTRY_COMPARE(QApplication::focusWidget(), v.txbExtension);
        v.cmdAccept->click();
    });
    QVERIFY(!v.run().blnAccept);
}

void tst_filedialogs::nextResultAnswersOnce()
{
    frmSpecifyInputFiles::SetNextResult({true, Choice::Extension, QStringLiteral("enc")});
    frmSpecifyOutputFiles::SetNextResult({true, Choice::NewFile, QStringLiteral("n.enc")});
    const FileChoiceResult in = Open(false).run();
    const FileChoiceResult out = Open(true).run();
    QVERIFY(in.blnAccept && in.choice == Choice::Extension && in.text == QLatin1String("enc"));
    QVERIFY(out.blnAccept && out.choice == Choice::NewFile && out.text == QLatin1String("n.enc"));

    // The second call shows the dialog again.
    for (const bool output : {false, true}) {
        View v = Open(output);
        WhenShown(v.dialog, [&] { v.cmdCancel->click(); });
        QVERIFY(!v.run().blnAccept);
    }
}

// Names in the order people read them; one that is not UTF-8 is shown, escaped, but cannot be
// picked.
void tst_filedialogs::listAccountsForEveryName()
{
    for (const char* name : {"file10.txt", "File2.txt"})
        QVERIFY(TestFiles::write(m_dir->filePath(QString::fromLatin1(name)), ""));
    const QByteArray latin1 = QFile::encodeName(m_dir->path()) + "/caf\xe9.txt";
    const int fd = ::open(latin1.constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0 && ::close(fd) == 0);
    View v = Open(false);
    QStringList shown;
    Qt::ItemFlags lastFlags;
    WhenShown(v.dialog, [&] {
        for (int row = 0; row < v.File->count(); ++row)
            shown.append(v.File->item(row)->text());
        lastFlags = v.File->item(v.File->count() - 1)->flags();
        v.cmdCancel->click();
    });
    v.run();
    ::unlink(latin1.constData());
    QCOMPARE(shown,
             (QStringList{"alpha.txt", "beta.doc", "File2.txt", "file10.txt", "caf\\xE9.txt"}));
    QCOMPARE(lastFlags, Qt::NoItemFlags);
}

QTEST_MAIN(tst_filedialogs)
#include "tst_filedialogs.moc"
