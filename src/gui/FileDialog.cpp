#include "FileDialog.h"

#include <QDir>
#include <QFileDialog>

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
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().constFirst()
               : QString();
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
    return QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
}

void FileDialog::setNextFileName(const QString& path)
{
    NextFileName() = path;
}

void FileDialog::setNextDirectory(const QString& path)
{
    NextDirectory() = path;
}
