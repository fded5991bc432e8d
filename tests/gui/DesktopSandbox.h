#pragma once

#include "gui/controls/Skin.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace oq::test {

// What every desktop test starts from: the program's look, and its settings
// and remembered profiles kept in a folder of the test's own, so that a run
// neither reads nor changes the user's, nor meets what an earlier run left. Make it once the application exists (a test class
// member does: QTEST_MAIN makes the application first).
class DesktopSandbox {
public:
    explicit DesktopSandbox(bool skinned = true)
    {
        if (skinned)
            ApplySkinToApplication();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(settings_.path() + QStringLiteral("/cache")));
    }
    bool Ready() const { return settings_.isValid(); }

private:
    QTemporaryDir settings_;
};

} // namespace oq::test
