#pragma once

// The controls the save wizard's pages are built from, dressed alike.

#include <QPoint>
#include <QRect>
#include <QString>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QWidget;

namespace oq {

class EzRgnButton;
class TranPanel;

inline constexpr const char* kProgramTitle = "Ogg Quorvel 2003";

// The file dialogs' filter of the files the program reads, from the known
// codecs' extensions: "Ogg Files (*.ogg *.opus)".
QString OggFilesFilter();
// That filter and "All Files (*)", as one text for a dialog.
QString OggFileFilters();

// Places `page` in the window's page area, hidden until the flow shows it.
void PlaceWizardPage(TranPanel& page, const char* name);

QLabel* Caption(QWidget* parent, const char* name, const QString& text, const QRect& place);
QLineEdit* ReadOnlyEdit(QWidget* parent, const char* name, const QRect& place, const QString& hint);
// A skinned button showing `caption`, drawn to the size of `place`.
EzRgnButton* TextButton(QWidget* parent, const char* name, const QString& caption, QRect place);
EzRgnButton* BrowseButton(QWidget* parent, const char* name, QPoint place);
// The five-column view of a ToolFileList.
QTreeWidget* FileListView(QWidget* parent, const char* name, const QRect& place);

} // namespace oq
