#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace oq {

// The file dialogs the save wizard's pages ask; each answers empty when the
// user cancels. Tests put their own answers in place of the dialogs.
struct SaveWizardDialogs {
    // A folder, starting at `current`.
    std::function<QString(const QString& title, const QString& current)> ChooseFolder;
    // Existing Ogg files to add, starting in `folder`.
    std::function<QStringList(const QString& folder)> OpenOggFiles;
    // An existing file (the catalog template).
    std::function<QString(const QString& nameFilters, const QString& defaultSuffix)> OpenFile;
    // A file to write, with `proposed` as its name.
    std::function<QString(const QString& proposed, const QString& nameFilters, const QString& defaultSuffix)>
        SaveFile;
};

} // namespace oq
