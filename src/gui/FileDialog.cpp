#include "FileDialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QTreeView>

#include <optional>
#include <utility>

namespace {

std::optional<QString>& NextFileName()
{
    static std::optional<QString> next;
    return next;
}

std::optional<QString>& NextDirectory()
{
    static std::optional<QString> next;
    return next;
}

// The queued answer, taken once.
std::optional<QString> Take(std::optional<QString>& next)
{
    return std::exchange(next, std::nullopt);
}

// Qt's own dialog (used where the desktop offers none) opens its detail view with columns too
// narrow for their values ("109...tes"): each gets the width of a long value of its kind, and
// the name takes the rest.
void WidenColumns(QFileDialog& dialog)
{
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr || view->header()->count() < 4)
        return;
    QHeaderView* header = view->header();
    const QFontMetrics metrics(view->font());
    const int padding = 4 * metrics.averageCharWidth();
    const QString longest[] = {
        QLocale().formattedDataSize(999'900'000, 1, QLocale::DataSizeTraditionalFormat) +
            QStringLiteral(" bytes"),
        QStringLiteral("OpenDocument Text document"),
        QLocale().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 58)), QLocale::ShortFormat)};
    int others = 0;
    for (int column = 1; column <= 3; ++column) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, metrics.horizontalAdvance(longest[column - 1]) + padding);
        others += header->sectionSize(column);
    }
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    // Room for the side bar and a name of about forty characters beside the other columns.
    const int wanted = others + 64 * metrics.averageCharWidth();
    dialog.resize(qMax(dialog.width(), wanted), dialog.height());
}

// Shows `dialog` and returns the file or folder chosen, "" when none was.
QString Chosen(QFileDialog& dialog)
{
    WidenColumns(dialog);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().constFirst()
               : QString();
}

QString Run(QWidget* owner, const QString& title, const QString& filter,
            QFileDialog::AcceptMode accept, QFileDialog::FileMode mode,
            QFileDialog::Options options = {})
{
    if (const auto next = Take(NextFileName()))
        return *next;
    QFileDialog dialog(owner, title, QDir::currentPath(), filter);
    dialog.setAcceptMode(accept);
    dialog.setFileMode(mode);
    dialog.setOptions(dialog.options() | options);
    return Chosen(dialog);
}

} // namespace

QString FileDialog::getOpenFileName(QWidget* owner, const QString& title, const QString& filter)
{
    return Run(owner, title, filter, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
}

QString FileDialog::getSaveFileName(QWidget* owner, const QString& title, const QString& filter)
{
    // The caller asks its own question about an existing file, so the dialog asks none.
    return Run(owner, title, filter, QFileDialog::AcceptSave, QFileDialog::AnyFile,
               QFileDialog::DontConfirmOverwrite);
}

QString FileDialog::getAnyFileName(QWidget* owner, const QString& title, const QString& filter)
{
    return Run(owner, title, filter, QFileDialog::AcceptOpen, QFileDialog::AnyFile);
}

QString FileDialog::getExistingDirectory(QWidget* owner, const QString& title)
{
    if (const auto next = Take(NextDirectory()))
        return *next;
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(dialog.options() | QFileDialog::ShowDirsOnly);
    return Chosen(dialog);
}

void FileDialog::setNextFileName(const QString& path)
{
    NextFileName() = path;
}

void FileDialog::setNextDirectory(const QString& path)
{
    NextDirectory() = path;
}
