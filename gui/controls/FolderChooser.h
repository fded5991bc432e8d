#pragma once

#include <QDialog>

class QFileDialog;

namespace oq {

// The folder chooser of the pages that ask for a folder: captioned
// "Select Directory...", with the asking page's title line above a browser
// of folders only. It opens in the parent of the current folder with the
// current folder selected, so that OK at once keeps it.
class FolderChooser : public QDialog {
    Q_OBJECT

public:
    FolderChooser(QWidget* parent, const QString& title, const QString& current);

    // The folder selected now; empty when there is none.
    QString Chosen() const;

    // Shows the chooser modally; the chosen folder, or empty on Cancel.
    static QString Choose(QWidget* parent, const QString& title, const QString& current);

private:
    QFileDialog* browser_;
};

} // namespace oq
