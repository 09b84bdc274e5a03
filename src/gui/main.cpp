#include "DBusNotice.h"
#include "DoItCommand.h"
#include "GuiKeyDialogs.h"
#include "HelpCommands.h"
#include "MessageBoxInteraction.h"
#include "ReadableStyle.h"
#include "core/ProgramPaths.h"
#include "core/Setup.h"
#include "core/StartArguments.h"
#include "frmMain.h"
#include "frmReport.h"
#include "storage/FileCipher.h"
#include "support/Language.h"
#include "support/ProcessHardening.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstring>

namespace {

// The windows' texts in the language of the system locale, and Qt's own for its standard
// dialogs and buttons. A missing translation leaves the English texts: that is no error.
void InstallTranslations(QApplication& app)
{
    auto* qtTexts = new QTranslator(&app);
    if (qtTexts->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts);
    // The translations folder lies where the program's other files do.
    auto* ownTexts = new QTranslator(&app);
    if (ownTexts->load(QLocale(), QStringLiteral("zr7e"), QStringLiteral("_"),
                       ProgramPaths::ProgramTextFile(QStringLiteral("translations"))))
        QCoreApplication::installTranslator(ownTexts);
}

const char Help[] =
    "zr7e: encrypt and decrypt files and folders with a key, in desktop windows.\n"
    "\n"
    "Usage:\n"
    "  zr7e [PATH...]   opens the main window; a PATH sets up the operation: a file\n"
    "                   to decrypt when it looks encrypted and to encrypt otherwise,\n"
    "                   a folder to encrypt. Nothing happens to any file before\n"
    "                   \"Do it!\" is clicked and the operation confirmed.\n"
    "  zr7e --help | --version\n"
    "\n"
    "Options:\n"
    "  -h, --help       print this help\n"
    "  --version        print the version\n"
    "  --               every argument after it is a path, even one that begins\n"
    "                   with -\n"
    "\n"
    "The program also takes the standard options of Qt programs, such as\n"
    "-style STYLE. For scripts, the same operations: zr7e-cli --help.\n";

// --help and --version are answered on standard output before any window or display is
// needed; a path given after "--" is never taken for them. -1 when neither was asked.
int AnswerInformationOptions(int argc, char* argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Help, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("zr7e %s\n", qPrintable(ProjectVersion()));
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    // Before anything else: a key read later must leave no copy in freed memory, and none in
    // a core file.
    ProcessHardening::WipeFreedMemory();
    ProcessHardening::DisableCoreDumps();
    ProcessHardening::OpenClosedStandardDescriptors();
    if (const int answered = AnswerInformationOptions(argc, argv); answered >= 0)
        return answered;
    QApplication app(argc, argv);
    // Read before start-up moves to the home folder: relative paths name files from here.
    const QStringList startPaths = StartArguments::Paths(QCoreApplication::arguments());
    InstallTranslations(app);
    ReadableStyle::Install();
    // The desktop entry the windows belong to, and their icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.revarodevaza.zr7e"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("zr7e"), QIcon(QStringLiteral(":/icons/zr7e-48.png"))));
    MessageBoxInteraction interaction;

    // Without its texts the program cannot describe itself: it says why and ends.
    const QString textFile = ProgramPaths::ProgramTextFile(Setup().strProgramTextFile);
    const int loaded = Language::Load(textFile);
    if (loaded < 1) {
        interaction.Tell(QCoreApplication::translate("main", "Fatal error"),
                         Language::LoadFailureMessage(loaded, textFile),
                         Interaction::Icon::Critical);
        return 1;
    }

    FileCipher engine;
    frmMain window(engine, interaction);
    interaction.SetParent(&window);
    interaction.SetReportWindow(&window.report());
    GuiKeyDialogs keyDialogs(window, interaction);
    window.SetKeyDialogs(&keyDialogs);
    HelpCommands help(window, window.report(), interaction);
    window.SetHelp(help);
    DBusNotice batchEndNotice;
    window.doIt().SetBatchEndNotice(&batchEndNotice);
    if (!window.StartUp(startPaths))
        return 1;
    return app.exec();
}
