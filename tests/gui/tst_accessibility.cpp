#include "CipherEngine.h"
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
#include "support/Language.h"

#include <QAccessible>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// Every window as a screen reader sees it: each control that takes the focus or shows
// something has a name made of words, text boxes are read as text, and the main window's
// commands and lines say what they are.
class tst_accessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyControlIsNamed_data();
    void everyControlIsNamed();
    void mainWindowSaysWhatItsLinesAre();
    void documentationIsALink();

public:
    QTemporaryDir m_dir;
    CipherEngine* m_engine = nullptr;
    ScriptedInteraction* m_interaction = nullptr;
    frmMain* m_main = nullptr;
    HelpCommands* m_help = nullptr;
    GuiKeyDialogs* m_keys = nullptr;

    // Opens one window of the program and hands it to `walk` while it shows.
    using Opener = std::function<void(tst_accessibility&, std::function<void(QWidget*)> walk)>;
};

Q_DECLARE_METATYPE(tst_accessibility::Opener)

namespace {

bool ShowsInformation(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::StaticText:
    case QAccessible::Graphic:
    case QAccessible::Animation:
    case QAccessible::ProgressBar:
    case QAccessible::Indicator:
    case QAccessible::Canvas:
    case QAccessible::Chart:
    case QAccessible::Link:
    case QAccessible::EditableText:
    case QAccessible::Document:
        return true;
    default:
        return false;
    }
}

// A label with neither text nor picture shows nothing, and there is nothing to name.
bool ShowsNothing(const QAccessibleInterface& node)
{
    const auto* label = qobject_cast<const QLabel*>(node.object());
    return label && label->text().isEmpty() && label->pixmap().isNull();
}

QString Describe(const QAccessibleInterface& node)
{
    const QObject* object = node.object();
    if (object == nullptr)
        return QStringLiteral("an item \"%1\"").arg(node.text(QAccessible::Name));
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(QString::fromLatin1(object->metaObject()->className()), object->objectName(),
             node.text(QAccessible::Name));
}

// What a screen reader misses under `node`: a control that takes the focus or shows
// information without a name it could speak (none, or only blocks and punctuation), and a
// text box whose text it could not read.
void CollectFaults(QAccessibleInterface* node, QStringList& faults)
{
    static const QRegularExpression word(QStringLiteral("[\\p{L}\\p{N}]"));
    const QAccessible::Role role = node->role();
    const bool checked = node->state().focusable || ShowsInformation(role);
    if (checked && !node->text(QAccessible::Name).contains(word) && !ShowsNothing(*node))
        faults << QStringLiteral("unnamed: ") + Describe(*node);
    if ((role == QAccessible::EditableText || role == QAccessible::Document) &&
        node->textInterface() == nullptr)
        faults << QStringLiteral("not read as text: ") + Describe(*node);
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface* child = node->child(i))
            CollectFaults(child, faults);
}

} // namespace

void tst_accessibility::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
    // The tree is built only for an active assistive technology.
    QAccessible::setActive(true);
}

void tst_accessibility::init()
{
    m_engine = new CipherEngine;
    m_interaction = new ScriptedInteraction;
    m_main = new frmMain(*m_engine, *m_interaction);
    m_help = new HelpCommands(*m_main, m_main->report(), *m_interaction,
                              [](const QUrl&) { return true; });
    m_main->SetHelp(*m_help);
    m_keys = new GuiKeyDialogs(*m_main, *m_interaction);
    QVERIFY(m_main->StartUp());
}

void tst_accessibility::cleanup()
{
    delete m_keys;
    delete m_main;
    delete m_interaction;
    delete m_engine;
}

namespace {

using Walk = std::function<void(QWidget*)>;

// A window that shows once made: `walk` sees it, then it is hidden again.
template <class Make> tst_accessibility::Opener Shown(Make make)
{
    return [make](tst_accessibility& t, Walk walk) {
        QWidget* window = make(t);
        window->show();
        walk(window);
        window->hide();
    };
}

// A modal window as the program opens it: `walk` sees it once it shows, then it is closed.
template <class Window, class Run> tst_accessibility::Opener Modal(Run run)
{
    return [run](tst_accessibility& t, Walk walk) {
        auto* window = new Window(t.m_main, *t.m_interaction);
        WhenShown(window, [window, walk] {
            walk(window);
            window->reject();
        });
        run(t, *window);
    };
}

} // namespace

void tst_accessibility::everyControlIsNamed_data()
{
    using T = tst_accessibility;
    QTest::addColumn<Opener>("open");
    QTest::newRow("main window") << Shown([](T& t) { return t.m_main; });
    QTest::newRow("report") << Shown([](T& t) { return &t.m_main->report(); });
    QTest::newRow("help") << Shown([](T& t) { return &t.m_help->help(); });
    QTest::newRow("credits") << Shown([](T& t) { return &t.m_help->help().credits(); });
    QTest::newRow("key with display")
        << Shown([](T& t) { return &t.m_keys->KeyboardWithDisplay(); });
    QTest::newRow("key without display")
        << Shown([](T& t) { return &t.m_keys->KeyboardWithoutDisplay(); });
    QTest::newRow("key inspection") << Shown([](T& t) { return &t.m_keys->InspectionWindow(); });
    QTest::newRow("random key") << Shown([](T& t) { return &t.m_keys->RandomKeyWindow(); });
    QTest::newRow("reliability test")
        << Shown([](T& t) { return new frmReliabilityTest(t.m_main); });
    QTest::newRow("confirmation") << Shown([](T& t) { return new frmConfirmOperation(t.m_main); });
    QTest::newRow("purge advice") << Shown([](T& t) { return new frmPurgeAdvice(t.m_main); });
    QTest::newRow("antivirus query") << Shown([](T& t) { return new frmAntivirusQuery(t.m_main); });
    QTest::newRow("input files") << Modal<frmSpecifyInputFiles>(
        [](T& t, frmSpecifyInputFiles& w) { w.Run(t.m_dir.path(), true, 1); });
    QTest::newRow("output files") << Modal<frmSpecifyOutputFiles>(
        [](T& t, frmSpecifyOutputFiles& w) { w.Run(t.m_dir.path(), false, 1); });
    // The picture drawn, so that the bar shows its blocks.
    QTest::newRow("byte pairs") << Modal<frmGraphic>([](T&, frmGraphic& w) {
        QTimer::singleShot(0, w.cmdDisplay, &QPushButton::click);
        w.ShowFile({QStringLiteral("Input file: zr7e.dat"), QStringLiteral("Filesize = 4 bytes"),
                    QStringLiteral("Randomness = 0.000"), QStringLiteral(ZR7_DATA_DIR "/zr7e.dat"),
                    4});
    });
}

void tst_accessibility::everyControlIsNamed()
{
    QFETCH(Opener, open);
    QStringList faults;
    open(*this, [&faults](QWidget* window) {
        CollectFaults(QAccessible::queryAccessibleInterface(window), faults);
    });
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
}

// Read alone, a command's caption or a summary value ("Yes", a folder) does not say what it
// does or what it is about: each also has a description.
void tst_accessibility::mainWindowSaysWhatItsLinesAre()
{
    QStringList undescribed;
    int commands = 0;
    for (QWidget* widget : m_main->centralWidget()->findChildren<QWidget*>()) {
        const QString frame = widget->parentWidget()->objectName();
        const bool command =
            qobject_cast<QPushButton*>(widget) &&
            (frame == QLatin1String("fraMenu") || frame == QLatin1String("fraSetup"));
        const bool line = qobject_cast<QLabel*>(widget) && !widget->objectName().isEmpty() &&
                          widget->parentWidget() == m_main->centralWidget();
        commands += command;
        if ((command || line) &&
            QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Description).isEmpty())
            undescribed << widget->objectName();
    }
    QCOMPARE(commands, 15);
    QVERIFY2(undescribed.isEmpty(), qPrintable(undescribed.join(QStringLiteral(", "))));
}

// "Online documentation" is a link that a screen reader can follow.
void tst_accessibility::documentationIsALink()
{
    auto* link = m_main->findChild<QWidget*>(QStringLiteral("lblOnlineDocumentation"));
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(link);
    QCOMPARE(node->role(), QAccessible::Link);
    QCOMPARE(node->text(QAccessible::Name), QStringLiteral("Online documentation"));
    QSignalSpy requested(m_main, &frmMain::documentationRequested);
    node->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(requested.count(), 1);
}

QTEST_MAIN(tst_accessibility)
#include "tst_accessibility.moc"
