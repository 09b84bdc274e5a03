#include "frmMain.h"
#include "support/Language.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString textFile = QDir(QCoreApplication::applicationDirPath()).filePath("zr7e.dat");
    const int loaded = Language::Load(textFile);
    if (loaded < 1) {
        QMessageBox::critical(nullptr, QString(), Language::LoadFailureMessage(loaded, textFile));
        return 1;
    }
    frmMain window;
    window.show();
    return app.exec();
}
