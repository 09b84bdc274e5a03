#pragma once

#include <QList>
#include <QString>

// The copies that the reliability test makes of its test files before it encrypts them in
// place. Before the first copy is made, a list of the copies is written into the folder; it
// goes only once a run has found every decrypted file identical with its copy. A later test
// that finds the list knows that the one before it did not finish: its test files may still be
// encrypted under a random key that is gone, and the copies are the only originals left.
class TestCopies
{
public:
    // Names within the folder.
    struct Pair
    {
        QString original;
        QString copy;
    };

    // `folder` ends with "/".
    explicit TestCopies(const QString& folder);

    // Restores each original named in the list of an unfinished test from its copy, unless
    // the two are already the same, and adds a report line for each to `note`; then the list
    // goes. False with `error` set when the list cannot be read or an original cannot be
    // restored: the list then stays for the next attempt.
    bool RestoreUnfinished(QString& note, QString& error) const;

    // Writes the list, then each copy by way of a temporary file. A copy that exists is
    // replaced only when it holds the same bytes as its original; any other is left as it is,
    // with `refusal` set. False also when a copy cannot be made (`refusal` empty).
    bool Make(const QList<Pair>& pairs, QString& refusal) const;

    // Every copy of the run was found identical with its decrypted original: the list goes.
    void Compared() const;

    // The name of the list in the test folder.
    static const QString ListName;

private:
    bool ReadList(QList<Pair>& pairs, QString& error) const;
    QString Path(const QString& name) const { return m_folder + name; }

    QString m_folder;
};
