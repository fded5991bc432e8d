#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace oq::test {

// While it lives, answers every message box that opens with `answer` (or
// accepts it when the box has no such button), keeping the last text, icon
// and default button and counting the boxes. Message boxes run their own event loop, so
// the answer comes from a timer.
class MessageAnswerer : public QObject {
public:
    explicit MessageAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok) : answer_(answer)
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || inspecting_)
                return;
            if (inspect_) {
                // The inspection may wait in an event loop, where this timer fires too.
                inspecting_ = true;
                inspect_(*box);
                inspecting_ = false;
            }
            text_ = box->text();
            icon_ = box->icon();
            defaultButton_ = box->standardButton(box->defaultButton());
            ++count_;
            if (QAbstractButton* button = box->button(answer_))
                button->click();
            else
                box->accept();
        });
        timer_.start(kPollMs);
    }
    // Runs `inspect` on every box before it is answered.
    void InspectFirst(std::function<void(QMessageBox&)> inspect) { inspect_ = std::move(inspect); }
    const QString& Text() const noexcept { return text_; }
    QMessageBox::Icon Icon() const noexcept { return icon_; }
    // The button Enter presses.
    QMessageBox::StandardButton DefaultButton() const noexcept { return defaultButton_; }
    int Count() const noexcept { return count_; }

private:
    static constexpr int kPollMs = 10;
    QMessageBox::StandardButton answer_;
    QTimer timer_;
    std::function<void(QMessageBox&)> inspect_;
    bool inspecting_ = false;
    QString text_;
    QMessageBox::Icon icon_ = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton_ = QMessageBox::NoButton;
    int count_ = 0;
};

} // namespace oq::test
