#include "frmMain.h"

#include "support/Language.h"

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(Language::Text(1));
    resize(640, 380);
}
