#pragma once

#include "gui/controls/Skin.h"

#include <QSettings>
#include <QTemporaryDir>

namespace oq::test {

// What every desktop test starts from: the program's look, and its settings
// kept in a folder of the test's own, so that a run neither reads nor
// changes the user's. Make it once the application exists (a test class
// member does: QTEST_MAIN makes the application first).
class DesktopSandbox {
public:
    explicit DesktopSandbox(bool skinned = true)
    {
        if (skinned)
            ApplySkinToApplication();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    }
    bool Ready() const { return settings_.isValid(); }

private:
    QTemporaryDir settings_;
};

} // namespace oq::test
