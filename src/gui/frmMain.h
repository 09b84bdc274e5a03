#pragma once

#include <QMainWindow>

// The main window: the fifteen command buttons that set up one operation.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
};
