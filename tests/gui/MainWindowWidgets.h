#pragma once

#include "gui/KeyFromPanel.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <array>

// The main window's widgets and timers, found by their object names: the window keeps them to
// itself, and the tests press and read them as a user would.
struct MainWindowWidgets
{
    template <class T> static T* Find(const QObject& window, const QString& name)
    {
        T* found = window.findChild<T*>(name);
        if (found == nullptr)
            qFatal("The main window has no %s", qPrintable(name));
        return found;
    }

    template <class T> static std::array<T*, 2> Pair(const QObject& window, const char* name)
    {
        const QString base = QString::fromLatin1(name);
        return {Find<T>(window, base + QLatin1Char('0')), Find<T>(window, base + QLatin1Char('1'))};
    }

    explicit MainWindowWidgets(const QObject& w)
        : fraMenu(Find<QFrame>(w, "fraMenu")), fraSetup(Find<QFrame>(w, "fraSetup")),
          cmdFunction(Find<QPushButton>(w, "cmdFunction")),
          cmdSingleFile(Find<QPushButton>(w, "cmdSingleFile")),
          cmdSpecifyDirectory(Pair<QPushButton>(w, "cmdSpecifyDirectory")),
          cmdSpecifyFiles(Pair<QPushButton>(w, "cmdSpecifyFiles")),
          cmdSubdirectories(Find<QPushButton>(w, "cmdSubdirectories")),
          cmdOutputFilesSame(Find<QPushButton>(w, "cmdOutputFilesSame")),
          cmdKeyFrom(Find<QPushButton>(w, "cmdKeyFrom")), cmdDoIt(Find<QPushButton>(w, "cmdDoIt")),
          cmdReportScreen(Find<QPushButton>(w, "cmdReportScreen")),
          cmdRandomnessReport(Find<QPushButton>(w, "cmdRandomnessReport")),
          cmdSetup(Find<QPushButton>(w, "cmdSetup")), cmdHelp(Find<QPushButton>(w, "cmdHelp")),
          cmdQuit(Find<QPushButton>(w, "cmdQuit")), picKeyFrom(Find<KeyFromPanel>(w, "picKeyFrom")),
          lblFunction(Find<QLabel>(w, "lblFunction")),
          lblFunction2(Find<QLabel>(w, "lblFunction2")),
          lblDirectory(Pair<QLabel>(w, "lblDirectory")), lblFiles(Pair<QLabel>(w, "lblFiles")),
          lblFiles2(Pair<QLabel>(w, "lblFiles2")),
          lblSubdirectories(Find<QLabel>(w, "lblSubdirectories")),
          lblSubdirectories2(Find<QLabel>(w, "lblSubdirectories2")),
          lblOutputFilesSame(Find<QLabel>(w, "lblOutputFilesSame")),
          lblOutputFilesSame2(Find<QLabel>(w, "lblOutputFilesSame2")),
          lblKeyFrom(Find<QLabel>(w, "lblKeyFrom")),
          lblSingleFile(Find<QLabel>(w, "lblSingleFile")),
          lblOnlineDocumentation(Find<QLabel>(w, "lblOnlineDocumentation")),
          lblSetupFilename(Find<QLabel>(w, "lblSetupFilename")), Clock(Find<QTimer>(w, "Clock")),
          Clock2(Find<QTimer>(w, "Clock2"))
    {
    }

    QFrame* fraMenu;
    QFrame* fraSetup;
    QPushButton* cmdFunction;
    QPushButton* cmdSingleFile;
    std::array<QPushButton*, 2> cmdSpecifyDirectory;
    std::array<QPushButton*, 2> cmdSpecifyFiles;
    QPushButton* cmdSubdirectories;
    QPushButton* cmdOutputFilesSame;
    QPushButton* cmdKeyFrom;
    QPushButton* cmdDoIt;
    QPushButton* cmdReportScreen;
    QPushButton* cmdRandomnessReport;
    QPushButton* cmdSetup;
    QPushButton* cmdHelp;
    QPushButton* cmdQuit;
    KeyFromPanel* picKeyFrom;
    QLabel* lblFunction;
    QLabel* lblFunction2;
    std::array<QLabel*, 2> lblDirectory;
    std::array<QLabel*, 2> lblFiles;
    std::array<QLabel*, 2> lblFiles2;
    QLabel* lblSubdirectories;
    QLabel* lblSubdirectories2;
    QLabel* lblOutputFilesSame;
    QLabel* lblOutputFilesSame2;
    QLabel* lblKeyFrom;
    QLabel* lblSingleFile;
    QLabel* lblOnlineDocumentation;
    QLabel* lblSetupFilename;
    // Paces the reliability test, and ends the click guard.
    QTimer* Clock;
    QTimer* Clock2;
};

inline MainWindowWidgets Widgets(const QObject& window)
{
    return MainWindowWidgets(window);
}

// The visible lines of text beside `panel` that one of its edges runs through, so that half of
// the line shows: none may be.
inline QStringList LinesCutBy(const QWidget& panel)
{
    QStringList cut;
    const QRect area = panel.geometry();
    for (const QLabel* line :
         panel.parentWidget()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect text = line->geometry();
        const auto through = [&](int y) { return y > text.top() && y < text.bottom(); };
        if (line->isVisible() && !line->text().isEmpty() && text.right() > area.left() &&
            text.left() < area.right() && (through(area.top()) || through(area.bottom())))
            cut << line->text();
    }
    return cut;
}
