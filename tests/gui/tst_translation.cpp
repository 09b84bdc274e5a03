#include "MainWindowWidgets.h"
#include "ScriptedInteraction.h"
#include "gui/SetupMenu.h"
#include "gui/frmMain.h"
#include "storage/FileCipher.h"
#include "support/Language.h"

#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

// A translation held in memory: "context|source" to its translation.
class MemoryTranslator : public QTranslator
{
public:
    explicit MemoryTranslator(QHash<QString, QString> texts) : m_texts(std::move(texts)) {}

    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override
    {
        // A null string sends Qt on to the next translator, and finally to the source text.
        return m_texts.value(QLatin1String(context) + QLatin1Char('|') +
                             QString::fromUtf8(sourceText));
    }

private:
    QHash<QString, QString> m_texts;
};

// The main window shows its texts through the installed translation: its own captions, the
// captions of the panels written elsewhere, and the function's word picked in English first.
class tst_translation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mainWindowFollowsTheTranslation();

private:
    QTemporaryDir m_config;
};

void tst_translation::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
}

void tst_translation::mainWindowFollowsTheTranslation()
{
    MemoryTranslator german(
        {{QStringLiteral("frmMain|&Do it!"), QStringLiteral("&Los!")},
         {QStringLiteral("frmMain|Decryption"), QStringLiteral("Entschlüsselung")},
         {QStringLiteral("SetupPanel|Load setup"), QStringLiteral("Einstellungen laden")}});
    QCoreApplication::installTranslator(&german);
    FileCipher engine;
    ScriptedInteraction interaction;
    frmMain window(engine, interaction);
    QVERIFY(window.StartUp());

    QCOMPARE(Widgets(window).cmdDoIt->text(), QStringLiteral("&Los!"));
    QCOMPARE(window.setupMenu().cmdLoadSetup->text(), QStringLiteral("Einstellungen laden"));
    QCOMPARE(Widgets(window).lblFunction->text(), QStringLiteral("Encryption")); // not translated
    Widgets(window).cmdFunction->click();
    QCOMPARE(Widgets(window).lblFunction->text(), QStringLiteral("Entschlüsselung"));
    QCoreApplication::removeTranslator(&german);
}

QTEST_MAIN(tst_translation)
#include "tst_translation.moc"
