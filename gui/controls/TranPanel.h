#pragma once

#include <QWidget>

namespace oq {

// A container that paints no background of its own, so the window's skin
// shows through around the controls it holds; with Border it draws a thin
// frame in the palette's shadow colour.
class TranPanel : public QWidget {
    Q_OBJECT

public:
    explicit TranPanel(QWidget* parent = nullptr);

    bool Border() const noexcept { return border_; }
    void SetBorder(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool border_ = false;
};

} // namespace oq
