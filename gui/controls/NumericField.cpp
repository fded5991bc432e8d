#include "gui/controls/NumericField.h"

#include "base/FieldText.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

namespace oq {

namespace {

// Two digits per field, each place optional; an unfilled place shows 0.
// Only the shown text is read, where blanks and typed zeros look alike.
const QString kTimeMask = QStringLiteral("99:99:99:99;0");

} // namespace

NumericField::NumericField(Kind kind, QWidget* parent)
    : QLineEdit(parent), kind_(kind)
{
    // Pasted text must have the field's form as well.
    if (kind_ == Kind::Time) {
        setInputMask(kTimeMask);
    } else if (kind_ == Kind::Decimal) {
        setMaxLength(kNumberDigits);
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*\\.?[0-9]*")), this));
    } else {
        setMaxLength(kNumberDigits);
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    }
    connect(this, &QLineEdit::textEdited, this, [this] { emit edited(ModelText()); });
}

std::string NumericField::ModelText() const
{
    return (kind_ == Kind::Time ? displayText() : text()).toStdString();
}

void NumericField::ShowModelText(const std::string& text)
{
    const QString shown = QString::fromStdString(text);
    if (shown == QString::fromStdString(ModelText()))
        return;
    const QSignalBlocker quiet(this);
    setText(shown);
}

void NumericField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit applied();
        return;
    }
    const QString typed = event->text();
    // Keys without a printable character (cursor keys, Delete, shortcuts) go
    // to the edit; of the characters, only the filter's choice does.
    const auto filter = kind_ == Kind::Decimal ? &FilterDecimalKey : &FilterFieldKey;
    if (!typed.isEmpty() && typed.at(0).isPrint() && filter(typed.at(0).unicode()) == FieldKey::Drop) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void NumericField::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    emit applied();
}

} // namespace oq
