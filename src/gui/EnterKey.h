#pragma once

#include <QObject>

class QAbstractButton;

// Makes Enter and Return press a button that has the keyboard focus, as Space does: the button
// goes down with the key and acts when the key comes up. Acting on the release, not on the
// press, keeps a held key from also answering the window that the button opens.
class EnterKey : public QObject
{
    Q_OBJECT

public:
    static void Apply(QAbstractButton* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit EnterKey(QAbstractButton* button);
};
