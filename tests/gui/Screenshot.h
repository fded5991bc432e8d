#pragma once

#include <QDir>
#include <QPixmap>
#include <QString>
#include <QtGlobal>

namespace oq::test {

// Saves a picture of a window as <name>.png into the folder that
// OQ_SCREENSHOT_DIR names, for a person to look at; without the variable
// nothing is saved. Returns whether the file was written.
inline bool SaveScreenshot(const QPixmap& picture, const QString& name)
{
    const QString folder = qEnvironmentVariable("OQ_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return false;
    QDir().mkpath(folder);
    return picture.save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace oq::test
