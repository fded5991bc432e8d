#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace oq::test {

// Runs `act` once the modal wizard is on the screen; `act` must close it.
// An `act` that stopped at a failed check leaves it open: it is then
// cancelled, so that the failure ends the test instead of hanging it.
// Returns the wizard's modal result.
inline int WhileOpen(QDialog& wizard, const std::function<int()>& open, const std::function<void()>& act)
{
    bool acted = false;
    bool actDone = false; // `act` waits in event loops of its own, where this timer fires too
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &wizard, [&] {
        if (!wizard.isVisible())
            return;
        if (actDone)
            wizard.reject();
        if (acted)
            return;
        acted = true;
        act();
        actDone = true;
    });
    poll.start(5);
    const int result = open();
    if (!acted)
        qWarning("the wizard never showed");
    return result;
}

// Replaces a field's text as the user would: select all, type, press Enter.
inline void Type(QLineEdit* field, const QString& text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

} // namespace oq::test
