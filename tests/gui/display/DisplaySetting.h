#pragma once

#include "tests/gui/DesktopSandbox.h"
#include "tests/support/TestAudio.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include <memory>
#include <string>

namespace oq::test {

// What every test on the real X display starts from: the desktop sandbox,
// the pointer out of the way, and a 12-second stereo recording to open.
struct DisplaySetting {
    DesktopSandbox Sandbox;
    std::unique_ptr<TempDir> Folder;
    std::string Song;

    // Call from initTestCase: fails the test when the sandbox or the
    // platform is not the one these tests judge.
    void Prepare()
    {
        QVERIFY(Sandbox.Ready());
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        // A pointer resting on a control would change its picture, raise
        // tool tips over the windows and take hover focus.
        QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());
        Folder = std::make_unique<TempDir>();
        Song = Folder->Path("song.ogg");
        WriteBytes(Song, MakeOggVorbis({.channels = 2, .seconds = 12.0, .signal = Signal::Mixed, .seed = 5}));
    }
};

} // namespace oq::test
