#include "FilesLine.h"

#include "Twips.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace FilesLine {

namespace {

constexpr int CommentGap = 300; // twips

} // namespace

void Show(QLabel* nameLabel, QLabel* commentLabel, const QString& name, const QString& comment)
{
    const int gap = Twips::ToPixels(CommentGap);
    const int commentWidth =
        comment.isEmpty() ? 0 : commentLabel->fontMetrics().horizontalAdvance(comment) + gap;
    const QFontMetrics metrics = nameLabel->fontMetrics();
    const QString shown =
        metrics.elidedText(name, Qt::ElideMiddle, std::max(0, nameLabel->width() - commentWidth));
    nameLabel->setText(shown);
    nameLabel->setToolTip(shown == name ? QString() : name);

    // The comment reaches to the end of the row, so that nothing of it is cut off.
    const QRect row = nameLabel->geometry();
    const int left = row.left() + metrics.horizontalAdvance(shown) + gap;
    commentLabel->setText(comment);
    commentLabel->setGeometry(left, row.top(), std::max(0, row.right() + 1 - left), row.height());
    commentLabel->setVisible(!comment.isEmpty()); // an empty comment is nothing to read out
    // The comment lies over the name's row; the name stays just before it, so that a screen
    // reader still reads the name, then its comment.
    nameLabel->stackUnder(commentLabel);
}

} // namespace FilesLine
