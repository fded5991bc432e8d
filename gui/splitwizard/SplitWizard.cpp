#include "gui/splitwizard/SplitWizard.h"

#include "media/MPEGData.h"
#include "model/MarkerList.h"
#include "base/Error.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/LocalFileName.h"
#include "gui/controls/QuietFailure.h"
#include "gui/controls/NumericField.h"
#include "gui/controls/Skin.h"
#include "gui/controls/WindowDragger.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStringList>

namespace oq {

namespace {

// Four method rows under the heading, one every 40 pixels.
constexpr int kFirstRowTop = 74;
constexpr int kRowStep = 40;
constexpr int kRowHeight = 22;
constexpr QRect kHeadingPlace{14, 42, 364, 20};
constexpr int kRadioLeft = 18;
constexpr int kRadioWidth = 152;
constexpr int kFieldLeft = 176;
constexpr int kFieldWidth = 112;
constexpr int kCaptionLeft = 296;
constexpr int kCaptionWidth = 84;
constexpr QPoint kBrowsePlace{294, 0}; // x only; the row gives y
constexpr QRect kNotePlace{14, 244, 364, 40};
// The button strip in the well at the foot of the window.
constexpr QSize kTextButtonSize{67, 29};
constexpr QPoint kHelpPlace{16, 320};
constexpr QPoint kOkayPlace{230, 320};
constexpr QPoint kCancelPlace{307, 320};

int RowTop(int row)
{
    return kFirstRowTop + row * kRowStep;
}

QString DefaultCueChooser(QWidget* parent, const QString& folder)
{
    QFileDialog dialog(parent, QObject::tr("Open"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QObject::tr("CUE Files (*.cue)"), QObject::tr("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("cue"));
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

SplitWizard::SplitWizard(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      chooseCue_([this](const QString& folder) { return DefaultCueChooser(this, folder); })
{
    setObjectName(QStringLiteral("SplitWizardForm"));
    DressSkinForm(*this, tr("Split Wizard"), kSize);
    setModal(true);
    BuildControls();
    Connect();
    Sync();
}

void SplitWizard::SetCueChooser(CueChooser chooser)
{
    chooseCue_ = std::move(chooser);
}

void SplitWizard::BuildControls()
{
    const qreal ratio = devicePixelRatioF();
    background_ = new QLabel(this);
    background_->setObjectName(QStringLiteral("BackOff"));
    background_->setGeometry(QRect(QPoint(0, 0), kSize));
    background_->setPixmap(SkinBackground(SkinWindow::SplitWizard, ratio));
    WindowDragger::Install(background_);

    const auto makeLabel = [this](const char* name, const QString& text, const QRect& place) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(place);
        return label;
    };
    makeLabel("Gui_Label1", tr("Select the Ogg Split Method that Ogg Quorvel should apply:"), kHeadingPlace);

    const char* radioNames[] = {"SplitRadio1", "SplitRadio2", "SplitRadio3", "SplitRadio4"};
    const QString radioTexts[] = {tr("Total No. Of Sections:"), tr("Section Play Length:"), tr("Section File Size:"),
                                  tr("Ogg Cue Sheet:")};
    for (int row = 0; row < 4; ++row) {
        radios_[row] = new QRadioButton(radioTexts[row], this);
        radios_[row]->setObjectName(QLatin1String(radioNames[row]));
        radios_[row]->setGeometry(kRadioLeft, RowTop(row), kRadioWidth, kRowHeight);
    }

    const auto makeField = [this](const char* name, NumericField::Kind kind, int row, const QString& hint) {
        auto* field = new NumericField(kind, this);
        field->setObjectName(QLatin1String(name));
        field->setGeometry(kFieldLeft, RowTop(row), kFieldWidth, kRowHeight);
        field->setToolTip(hint);
        return field;
    };
    total_ = makeField("SplitSectionTotal", NumericField::Kind::Number, 0, tr("Total No. Of Sections"));
    total_->setContextMenuPolicy(Qt::NoContextMenu);
    length_ = makeField("SplitSectionLength", NumericField::Kind::Time, 1, tr("Section Play Length"));
    size_ = makeField("SplitSectionSize", NumericField::Kind::Number, 2, tr("Section File Size"));

    const auto captionPlace = [](int row) { return QRect(kCaptionLeft, RowTop(row), kCaptionWidth, kRowHeight); };
    totalCaption_ = makeLabel("Gui_Label2", tr("Total"), captionPlace(0));
    lengthCaption_ = makeLabel("Gui_Label3", tr("HH:MM:SS:XX"), captionPlace(1));
    sizeCaption_ = makeLabel("Gui_Label4", tr("Kbytes"), captionPlace(2));

    cueName_ = new QLineEdit(this);
    cueName_->setObjectName(QStringLiteral("Edit1"));
    cueName_->setGeometry(kFieldLeft, RowTop(3), kBrowsePlace.x() - kFieldLeft - 6, kRowHeight);
    cueName_->setReadOnly(true);
    cueName_->setToolTip(tr("Cue File"));

    const auto makeButton = [this](const char* name, const QList<QPixmap>& pictures, QPoint place,
                                   const QString& hint) {
        auto* button = new EzRgnButton(this);
        button->setObjectName(QLatin1String(name));
        button->SetImageList(pictures);
        button->SetPaintMode(PaintMode::pmCrop);
        button->move(place);
        button->setToolTip(hint);
        button->setCursor(Qt::PointingHandCursor);
        return button;
    };
    cueBrowse_ = makeButton("cueBrowse", SkinButtonPictures(SkinButton::Browse, ratio),
                            {kBrowsePlace.x(), RowTop(3)}, tr("Browse"));

    QLabel* note = makeLabel("Gui_Label5", tr("Note: The split is applied across the whole Ogg."), kNotePlace);
    note->setWordWrap(true);

    help_ = makeButton("newHelp", SkinTextButtonPictures(tr("Help"), kTextButtonSize, ratio), kHelpPlace,
                       tr("Help"));
    okay_ = makeButton("newOkay", SkinTextButtonPictures(tr("OK"), kTextButtonSize, ratio), kOkayPlace, tr("OK"));
    cancel_ = makeButton("newCancel", SkinTextButtonPictures(tr("Cancel"), kTextButtonSize, ratio), kCancelPlace,
                         tr("Cancel"));
}

void SplitWizard::Connect()
{
    const SplitMethod methods[] = {SplitMethod::SectionCount, SplitMethod::SectionLength, SplitMethod::SectionSize,
                                   SplitMethod::CueSheet};
    for (int row = 0; row < 4; ++row) {
        connect(radios_[row], &QRadioButton::toggled, this, [this, method = methods[row]](bool on) {
            if (on)
                SelectMethod(method);
        });
    }
    connect(total_, &NumericField::edited, this,
            [this](const std::string& text) { calculator_.SplitSectionTotalChange(text); });
    connect(length_, &NumericField::edited, this,
            [this](const std::string& text) { calculator_.SplitSectionLengthChange(text); });
    connect(size_, &NumericField::edited, this,
            [this](const std::string& text) { calculator_.SplitSectionSizeChange(text); });
    connect(total_, &NumericField::applied, this, [this] { Recompute(&SplitCalculator::SplitSectionTotalClick); });
    connect(length_, &NumericField::applied, this, [this] { Recompute(&SplitCalculator::SplitSectionLengthClick); });
    connect(size_, &NumericField::applied, this, [this] { Recompute(&SplitCalculator::SplitSectionSizeClick); });

    connect(cueBrowse_, &EzRgnButton::clicked, this, &SplitWizard::BrowseCue);
    help_->AddShortcut(QKeySequence::HelpContents);
    connect(help_, &EzRgnButton::clicked, this, [this] { emit helpRequested(QLatin1String(kHelpTopic)); });
    connect(okay_, &EzRgnButton::clicked, this, &SplitWizard::Okay);
    connect(cancel_, &EzRgnButton::clicked, this, &QDialog::reject);
}

int SplitWizard::Run(const MPEGData& file, MarkerList& markers)
{
    calculator_.FormActivate(file);
    markers_ = &markers;
    Sync();
    const int result = exec();
    markers_ = nullptr;
    return result;
}

void SplitWizard::Sync()
{
    const SplitMethod method = calculator_.Method();
    for (int row = 0; row < 4; ++row) {
        const QSignalBlocker quiet(radios_[row]);
        radios_[row]->setChecked(static_cast<int>(method) == row + 1);
    }
    total_->ShowModelText(calculator_.SectionTotalText());
    length_->ShowModelText(calculator_.SectionLengthText());
    size_->ShowModelText(calculator_.SectionSizeText());
    total_->setEnabled(calculator_.TotalEnabled());
    totalCaption_->setEnabled(calculator_.TotalEnabled());
    length_->setEnabled(calculator_.LengthEnabled());
    lengthCaption_->setEnabled(calculator_.LengthEnabled());
    size_->setEnabled(calculator_.SizeEnabled());
    sizeCaption_->setEnabled(calculator_.SizeEnabled());
    cueName_->setEnabled(calculator_.CueEnabled());
    cueBrowse_->SetEnabled(calculator_.CueEnabled());
    cueName_->setText(QString::fromStdString(calculator_.CueFileText()));
}

void SplitWizard::SelectMethod(SplitMethod method)
{
    try {
        calculator_.SelectMethod(method);
    } catch (const Error& failure) {
        // A field that is not a number leaves every value as it was.
        NoteQuietFailure("Choosing a split method", failure);
    }
    Sync();
}

void SplitWizard::Recompute(void (SplitCalculator::*request)())
{
    try {
        (calculator_.*request)();
    } catch (const Error& failure) {
        // Silent to the user: the fields keep the values they had before the request.
        NoteQuietFailure("Computing the split", failure);
    }
    Sync();
}

void SplitWizard::BrowseCue()
{
    const QString chosen = chooseCue_(startFolder_);
    if (chosen.isEmpty())
        return;
    try {
        calculator_.LoadCueSheet(LocalName(chosen));
        loadedCue_ = LocalName(chosen);
    } catch (const Error& failure) {
        // A sheet that cannot be read leaves the earlier one in place.
        NoteQuietFailure("Reading a cue sheet", failure);
    }
    Sync();
}

void SplitWizard::Okay()
{
    if (!markers_) {
        accept();
        return;
    }
    SplitOutcome outcome;
    try {
        outcome = calculator_.ApplyOkay(*markers_);
    } catch (const Error& failure) {
        // The markers are untouched; the window stays open for a correction.
        NoteQuietFailure("Laying the markers", failure);
        Sync();
        return;
    }
    Sync();
    appliedCue_ = calculator_.CueEnabled() ? loadedCue_ : std::string();
    ReportSkipped(outcome.Skipped);
    accept();
}

void SplitWizard::ReportSkipped(const CueSkips& skipped)
{
    if (skipped.Unreadable.empty())
        return;
    QStringList numbers;
    for (int track : skipped.Unreadable)
        numbers << QString::number(track);
    const QString text = numbers.size() == 1
                             ? tr("Cue track %1 was skipped: its start time could not be read.").arg(numbers.front())
                             : tr("Cue tracks %1 were skipped: their start times could not be read.")
                                   .arg(numbers.join(QStringLiteral(", ")));
    QMessageBox::information(this, tr("Ogg Quorvel 2003"), text);
}

} // namespace oq
