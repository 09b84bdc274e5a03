#pragma once

#include "keys/KeyDialogs.h"

#include <QList>
#include <QStringList>

// Answers the key windows from a script and records what they were shown.
class ScriptedKeyDialogs : public KeyDialogs
{
public:
    Outcome TypeKeyWithDisplay(const QString& prompt, QString& typed) override
    {
        lastPrompt = prompt;
        typed = typedText;
        return outcome;
    }
    Outcome TypeKeyWithoutDisplay(const QString& prompt, QString& typed) override
    {
        return TypeKeyWithDisplay(prompt, typed);
    }
    QString ChooseKeyfile(const QString& title) override
    {
        lastTitle = title;
        return fileName;
    }
    QByteArray CollectRandomKey() override
    {
        return randomKeys.isEmpty() ? QByteArray() : randomKeys.takeFirst();
    }
    bool InspectKey(const KeyInspection& inspection) override
    {
        inspected.append(inspection.classification);
        return useInspectedKey;
    }

    Outcome outcome = Outcome::Yes;
    QString typedText;
    QString fileName;
    QList<QByteArray> randomKeys;
    bool useInspectedKey = true;
    QString lastPrompt;
    QString lastTitle;
    QStringList inspected;
};
