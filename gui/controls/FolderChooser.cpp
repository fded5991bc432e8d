#include "gui/controls/FolderChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace oq {

FolderChooser::FolderChooser(QWidget* parent, const QString& title, const QString& current)
    : QDialog(parent), browser_(new QFileDialog(this))
{
    setObjectName(QStringLiteral("FolderChooser"));
    setWindowTitle(tr("Select Directory..."));
    auto* layout = new QVBoxLayout(this);
    auto* titleLine = new QLabel(title, this);
    titleLine->setObjectName(QStringLiteral("FolderChooser_Title"));
    layout->addWidget(titleLine);

    // Qt's own dialog, as a part of this one: a platform dialog could
    // neither be embedded nor show the title line.
    browser_->setOption(QFileDialog::DontUseNativeDialog, true);
    browser_->setWindowFlags(Qt::Widget);
    browser_->setFileMode(QFileDialog::Directory);
    browser_->setOption(QFileDialog::ShowDirsOnly, true);
    const QFileInfo folder(current);
    if (!current.isEmpty() && folder.isDir()) {
        browser_->setDirectory(folder.absolutePath());
        browser_->selectFile(folder.absoluteFilePath());
    }
    layout->addWidget(browser_);
    connect(browser_, &QFileDialog::finished, this, &QDialog::done);
}

QString FolderChooser::Chosen() const
{
    const QStringList chosen = browser_->selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.constFirst();
}

QString FolderChooser::Choose(QWidget* parent, const QString& title, const QString& current)
{
    FolderChooser chooser(parent, title, current);
    return chooser.exec() == QDialog::Accepted ? chooser.Chosen() : QString();
}

} // namespace oq
