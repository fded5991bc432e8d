#pragma once

#include "model/PauseFinder.h"

#include <QDialog>

#include <optional>

class QDoubleSpinBox;

namespace oq {

// Asks what counts as a pause before markers are laid at the pauses: the
// level below which the recording is quiet (dBFS) and how long a quiet
// stretch must last (seconds).
class PauseDialog : public QDialog {
    Q_OBJECT

public:
    explicit PauseDialog(QWidget* parent = nullptr);

    PauseSettings Settings() const;
    // The settings, or nothing for Cancel.
    static std::optional<PauseSettings> Ask(QWidget* parent);

private:
    QDoubleSpinBox* threshold_ = nullptr;
    QDoubleSpinBox* minimum_ = nullptr;
};

} // namespace oq
