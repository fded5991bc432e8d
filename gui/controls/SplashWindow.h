#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace oq {

// The borderless picture shown, centred on the screen, while the program
// builds its windows. It refuses to close until it has been up for
// kMinimumMilliseconds, however fast the windows were built.
class SplashWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMinimumMilliseconds = 2250;
    static constexpr QSize kSize{301, 98};

    explicit SplashWindow(QWidget* parent = nullptr);

    // The minimum time has passed.
    bool MayClose() const noexcept { return !timer_.isActive(); }
    // Shows the splash and paints it at once.
    void ShowNow();
    // Serves the program's events until the minimum time has passed, then
    // closes the splash.
    void WaitAndClose();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QTimer timer_;
    QPixmap picture_;
};

} // namespace oq
