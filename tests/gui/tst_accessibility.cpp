#include "ScriptedInteraction.h"
#include "WhenShown.h"
#include "analysis/SingleFileFigures.h"
#include "gui/GuiKeyDialogs.h"
#include "gui/HelpCommands.h"
#include "gui/frmAntivirusQuery.h"
#include "gui/frmConfirmOperation.h"
#include "gui/frmCredits.h"
#include "gui/frmGraphic.h"
#include "gui/frmHelp.h"
#include "gui/frmInspectKey.h"
#include "gui/frmKeyboardWithDisplay.h"
#include "gui/frmKeyboardWithoutDisplay.h"
#include "gui/frmMain.h"
#include "gui/frmPurgeAdvice.h"
#include "gui/frmRandomKey.h"
#include "gui/frmReliabilityTest.h"
#include "gui/frmReport.h"
#include "gui/frmSpecifyInputFiles.h"
#include "gui/frmSpecifyOutputFiles.h"
#include "storage/FileCipher.h"
#include "support/Language.h"

#include <QAccessible>
#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Every window as a screen reader sees it: each control that takes the focus or shows
// something has a name made of words, text boxes are read as text, the main window's commands
// and lines say what they are, and its documentation link can be followed.
class tst_accessibility : public QObject
{
    Q_OBJECT

private slots:
    void screenReaderFindsEveryControl();
};

namespace {

// Adds what a screen reader misses under `node`, in `window`, to `faults`. A label that shows
// neither text nor picture has nothing to name.
void CollectFaults(const QWidget& window, QAccessibleInterface* node, QStringList& faults)
{
    static const QRegularExpression word(QStringLiteral("[\\p{L}\\p{N}]"));
    using A = QAccessible;
    const A::Role role = node->role();
    const auto* label = qobject_cast<const QLabel*>(node->object());
    const bool blank = label && label->text().isEmpty() && label->pixmap().isNull();
    const bool shows = role == A::StaticText || role == A::Graphic || role == A::ProgressBar ||
                       role == A::Link || role == A::EditableText;
    QString what;
    QDebug(&what).nospace() << window.objectName() << ": " << node->object();
    if ((node->state().focusable || shows) && !blank && !node->text(A::Name).contains(word))
        faults << QStringLiteral("unnamed: ") + what;
    if (role == A::EditableText && node->textInterface() == nullptr)
        faults << QStringLiteral("not read as text: ") + what;
    for (int i = 0; i < node->childCount(); ++i)
        CollectFaults(window, node->child(i), faults);
}

} // namespace

void tst_accessibility::screenReaderFindsEveryControl()
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
    QAccessible::setActive(true);
    FileCipher engine;
    ScriptedInteraction interaction;
    frmMain main(engine, interaction);
    HelpCommands help(main, main.report(), interaction, [](const QUrl&) { return true; });
    main.SetHelp(help);
    GuiKeyDialogs keys(main, interaction);
    QVERIFY(main.StartUp());
    QStringList faults;
    const auto walk = [&faults](QWidget* w) {
        CollectFaults(*w, QAccessible::queryAccessibleInterface(w), faults);
    };
    for (QWidget* window : QList<QWidget*>{
             &main, &main.report(), &help.help(), &help.help().credits(),
             &keys.KeyboardWithDisplay(), &keys.KeyboardWithoutDisplay(), &keys.InspectionWindow(),
             &keys.RandomKeyWindow(), new frmReliabilityTest(&main), new frmConfirmOperation(&main),
             new frmPurgeAdvice(&main), new frmAntivirusQuery(&main)}) {
        window->show();
        walk(window);
        window->hide();
    }
    // The file choices and the byte-pair picture as the program opens them, the picture drawn
    // so that its bar shows blocks.
    auto* input = new frmSpecifyInputFiles(&main, interaction);
    WhenShown(input, [&] {
        walk(input);
        input->reject();
    });
    input->Run(dir.path(), true, 1);
    auto* output = new frmSpecifyOutputFiles(&main, interaction);
    WhenShown(output, [&] {
        walk(output);
        output->reject();
    });
    output->Run(dir.path(), false, 1);
    auto* graphic = new frmGraphic(&main, interaction);
    WhenShown(graphic, [&] {
        graphic->cmdDisplay->click();
        walk(graphic);
        graphic->reject();
    });
    graphic->ShowFile({"Input file: zr7e.dat", "", "", ZR7_DATA_DIR "/zr7e.dat", 4});
    // Read alone, a command's caption or a line's value ("Yes", a folder) does not say what it
    // does or what it is about.
    for (QWidget* lines : {main.centralWidget(), main.findChild<QWidget*>("fraMenu"),
                           main.findChild<QWidget*>("fraSetup")})
        for (QWidget* w : lines->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if ((qobject_cast<QPushButton*>(w) || qobject_cast<QLabel*>(w)) &&
                !w->objectName().isEmpty() &&
                QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description).isEmpty())
                faults << QStringLiteral("undescribed: ") + w->objectName();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    // The report is announced as a window, the command groups by their names, and each row of
    // the summary is read as its caption, then its values, with no empty line between.
    QCOMPARE(QAccessible::queryAccessibleInterface(&main.report())->role(), QAccessible::Window);
    for (const char* group : {"fraMenu", "fraSetup"})
        QVERIFY(QAccessible::queryAccessibleInterface(main.findChild<QWidget*>(group))
                    ->text(QAccessible::Name)
                    .contains(QRegularExpression(QStringLiteral("\\w"))));
    QAccessibleInterface* lines = QAccessible::queryAccessibleInterface(main.centralWidget());
    QStringList read;
    for (int i = 0; i < lines->childCount(); ++i) {
        QAccessibleInterface* line = lines->child(i);
        if (line->role() == QAccessible::StaticText &&
            !static_cast<QWidget*>(line->object())->isHidden())
            read << line->text(QAccessible::Name) + QLatin1Char('|') +
                        line->text(QAccessible::Description);
    }
    QString caption;
    int values = 0;
    for (const QString& line : read) {
        const QString name = line.section(QLatin1Char('|'), 0, 0);
        const QString about = line.section(QLatin1Char('|'), 1);
        QVERIFY2(!name.isEmpty(), qPrintable(read.join(QStringLiteral("; "))));
        if (name.endsWith(QLatin1Char(':'))) {
            QVERIFY2(caption.isEmpty() || values > 0, qPrintable(caption));
            caption = name.chopped(1);
            values = 0;
        } else if (read.contains(about + QStringLiteral(":|"))) {
            QVERIFY2(about == caption, qPrintable(read.join(QStringLiteral("; "))));
            ++values;
        }
    }
    QVERIFY(values > 0);
    // "Online documentation" is a link to follow.
    QAccessibleInterface* link =
        QAccessible::queryAccessibleInterface(main.findChild<QWidget*>("lblOnlineDocumentation"));
    QCOMPARE(link->role(), QAccessible::Link);
    QSignalSpy requested(&main, &frmMain::documentationRequested);
    link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(requested.count(), 1);
}

QTEST_MAIN(tst_accessibility)
#include "tst_accessibility.moc"
