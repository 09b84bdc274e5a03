#pragma once

#include "CrashRecorder.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The states a power loss may leave of a recorded run (see tst_crashstates.cpp for the model):
// for every crash point, every order-preserving set of the name changes that may have reached
// the disk, with the unflushed data of the files missing, present, or torn at 4 KiB boundaries.
class CrashStates
{
public:
    struct State
    {
        int point = 0;     // the ops before this index were made
        int persisted = 0; // of `made` name changes, the first `persisted` reached the disk
        int made = 0;
        QString data; // which unflushed data reached the disk
        QStringList marks;
        QStringList folders;
        QMap<QString, QByteArray> files;
    };

    static constexpr qsizetype Page = 4096;

    CrashStates(const QMap<QString, QByteArray>& files, const QStringList& folders,
                const QList<CrashRecorder::Op>& ops, int tornCap = 16);

    int points() const { return int(m_ops.size()) + 1; }
    const QList<CrashRecorder::Op>& ops() const { return m_ops; }
    // Calls `visit` once for each distinct state (states with other marks before them count as
    // distinct); returns how many there were.
    int forEach(const std::function<void(const State&)>& visit) const;
    // The files after every recorded call, all on the disk: what the run itself left.
    QMap<QString, QByteArray> finalFiles() const;

private:
    // What the disk holds at one crash point, before the choices.
    struct Point
    {
        int index = 0;
        int required = 0; // name changes that a folder flush has put on the disk
        std::vector<int> metadata;
        QMap<int, int> flushed; // file -> data changes on the disk
        QMap<int, int> made;    // file -> data changes made
        QStringList marks;
    };
    struct Names
    {
        QMap<QString, int> files; // name -> file
        QStringList folders;
    };

    Names NamesAfter(const std::vector<int>& metadata, int persisted) const;
    void
    Choices(const Point& point, const Names& names,
            const std::function<void(const QString&, const QMap<int, QByteArray>&)>& offer) const;

    QList<CrashRecorder::Op> m_ops;
    QMap<QString, int> m_initialNames;
    QStringList m_initialFolders;
    QMap<int, std::vector<QByteArray>> m_contents; // file -> content after each data change
    int m_tornCap;
};
