#include "gui/editor/PauseDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>

namespace oq {

namespace {

// Quieter than -120 dBFS is below 16-bit audio's own noise; louder than
// -6 dBFS is no pause.
constexpr double kThresholdLowest = -120;
constexpr double kThresholdHighest = -6;
constexpr double kMinimumShortest = 0.1; // seconds: about one block
constexpr double kMinimumLongest = 600;

} // namespace

PauseDialog::PauseDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PauseDialog"));
    setWindowTitle(tr("Markers at Pauses"));
    threshold_ = new QDoubleSpinBox(this);
    threshold_->setObjectName(QStringLiteral("PauseThreshold"));
    threshold_->setRange(kThresholdLowest, kThresholdHighest);
    threshold_->setDecimals(1);
    threshold_->setSuffix(tr(" dBFS"));
    threshold_->setValue(PauseSettings::kDefaultThresholdDb);
    minimum_ = new QDoubleSpinBox(this);
    minimum_->setObjectName(QStringLiteral("PauseMinimum"));
    minimum_->setRange(kMinimumShortest, kMinimumLongest);
    minimum_->setDecimals(1);
    minimum_->setSingleStep(0.1);
    minimum_->setSuffix(tr(" s"));
    minimum_->setValue(PauseSettings::kDefaultMinimumSeconds);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("Quieter than:"), threshold_);
    form->addRow(tr("For at least:"), minimum_);
    form->addRow(buttons);
}

PauseSettings PauseDialog::Settings() const
{
    return {threshold_->value(), minimum_->value()};
}

std::optional<PauseSettings> PauseDialog::Ask(QWidget* parent)
{
    PauseDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Settings();
}

} // namespace oq
