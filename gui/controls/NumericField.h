#pragma once

#include <QLineEdit>

#include <string>

namespace oq {

// A numeric edit field: a plain number of at most ten digits, a time
// shown as "HH:MM:SS:XX" in a mask whose unfilled places read as 0, or a
// decimal number with an optional minus sign ("-50", "1.5").
//
// Typing passes only digits, Backspace and Enter (and keys that move the
// cursor), and in a decimal field the minus sign and the point; every other
// character is thrown away. Enter and a click into the
// field ask for the typed value to be applied (`applied`). Only the user's
// own changes report `edited`; text written by the program does not.
class NumericField : public QLineEdit {
    Q_OBJECT

public:
    enum class Kind { Number, Time, Decimal };
    static constexpr int kNumberDigits = 10;

    explicit NumericField(Kind kind, QWidget* parent = nullptr);

    Kind FieldKind() const noexcept { return kind_; }
    // The text in the form the editing model keeps: the digits of a number,
    // the shown "HH:MM:SS:XX" of a time (unfilled places as 0).
    std::string ModelText() const;
    // Shows a text of the model without reporting it as an edit.
    void ShowModelText(const std::string& text);

signals:
    void edited(const std::string& text);
    void applied();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Kind kind_;
};

} // namespace oq
