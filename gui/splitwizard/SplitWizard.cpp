#include "gui/splitwizard/SplitWizard.h"

#include "media/MPEGData.h"
#include "model/MarkerLimit.h"
#include "model/MarkerList.h"
#include "base/Error.h"
#include "gui/controls/EzRgnButton.h"
#include "gui/controls/LocalFileName.h"
#include "gui/controls/QuietFailure.h"
#include "gui/controls/NumericField.h"
#include "gui/controls/Skin.h"
#include "gui/controls/WindowDragger.h"

#include <QCheckBox>
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

// Five method rows under the heading, one every 40 pixels.
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

constexpr int RowTop(int row)
{
    return kFirstRowTop + row * kRowStep;
}

// The pause method's shortest length sits on a line of its own under the
// pause row, its label in line with the radio buttons' texts; the snap
// follows as a row of its own.
constexpr int kPauseRow = 4;
constexpr int kPauseLengthTop = RowTop(kPauseRow) + 28;
constexpr int kSnapTop = kPauseLengthTop + 34;
constexpr int kRadioTextIndent = 18;
// The window grew by this much for the two lines under the fourth row: the
// note and the button strip keep their places above its foot.
constexpr int kGrowth = SplitWizard::kSize.height() - 360;
constexpr QRect kNotePlace{14, 244 + kGrowth, 364, 40};
// The button strip in the well at the foot of the window.
constexpr QSize kTextButtonSize{67, 29};
constexpr QPoint kHelpPlace{16, 320 + kGrowth};
constexpr QPoint kOkayPlace{230, 320 + kGrowth};
constexpr QPoint kCancelPlace{307, 320 + kGrowth};
static_assert(kSnapTop + kRowHeight < kNotePlace.top(), "the snap row must clear the note");

QRect FieldPlace(int top)
{
    return {kFieldLeft, top, kFieldWidth, kRowHeight};
}

QRect CaptionPlace(int top)
{
    return {kCaptionLeft, top, kCaptionWidth, kRowHeight};
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    return label;
}

NumericField* MakeField(QWidget* parent, const char* name, NumericField::Kind kind, int top, const QString& hint)
{
    auto* field = new NumericField(kind, parent);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(FieldPlace(top));
    field->setToolTip(hint);
    return field;
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

    MakeLabel(this, "Gui_Label1", tr("Select the Ogg Split Method that Ogg Quorvel should apply:"), kHeadingPlace);

    const char* radioNames[] = {"SplitRadio1", "SplitRadio2", "SplitRadio3", "SplitRadio4", "SplitRadio5"};
    const QString radioTexts[] = {tr("Total No. Of Sections:"), tr("Section Play Length:"), tr("Section File Size:"),
                                  tr("Ogg Cue Sheet:"), tr("Pauses Quieter Than:")};
    for (int row = 0; row < kMethods; ++row) {
        radios_[row] = new QRadioButton(radioTexts[row], this);
        radios_[row]->setObjectName(QLatin1String(radioNames[row]));
        radios_[row]->setGeometry(kRadioLeft, RowTop(row), kRadioWidth, kRowHeight);
    }

    total_ = MakeField(this, "SplitSectionTotal", NumericField::Kind::Number, RowTop(0), tr("Total No. Of Sections"));
    total_->setContextMenuPolicy(Qt::NoContextMenu);
    length_ = MakeField(this, "SplitSectionLength", NumericField::Kind::Time, RowTop(1), tr("Section Play Length"));
    size_ = MakeField(this, "SplitSectionSize", NumericField::Kind::Number, RowTop(2), tr("Section File Size"));

    totalCaption_ = MakeLabel(this, "Gui_Label2", tr("Total"), CaptionPlace(RowTop(0)));
    lengthCaption_ = MakeLabel(this, "Gui_Label3", tr("HH:MM:SS:XX"), CaptionPlace(RowTop(1)));
    sizeCaption_ = MakeLabel(this, "Gui_Label4", tr("Kbytes"), CaptionPlace(RowTop(2)));

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
    BuildPauseControls();

    QLabel* note = MakeLabel(this, "Gui_Label5", tr("Note: The split is applied across the whole Ogg."), kNotePlace);
    note->setWordWrap(true);

    help_ = makeButton("newHelp", SkinTextButtonPictures(tr("Help"), kTextButtonSize, ratio), kHelpPlace,
                       tr("Help"));
    okay_ = makeButton("newOkay", SkinTextButtonPictures(tr("OK"), kTextButtonSize, ratio), kOkayPlace, tr("OK"));
    cancel_ = makeButton("newCancel", SkinTextButtonPictures(tr("Cancel"), kTextButtonSize, ratio), kCancelPlace,
                         tr("Cancel"));
}

void SplitWizard::BuildPauseControls()
{
    // Made in reading order, which is the order Tab visits them.
    pauseLevel_ = MakeField(this, "SplitPauseLevel", NumericField::Kind::Decimal, RowTop(kPauseRow), tr("Pause Level"));
    pauseLevelCaption_ = MakeLabel(this, "Gui_Label6", tr("dBFS"), CaptionPlace(RowTop(kPauseRow)));
    pauseLengthLabel_ = MakeLabel(this, "Gui_Label7", tr("Lasting At Least:"),
                                  QRect(kRadioLeft + kRadioTextIndent, kPauseLengthTop,
                                        kRadioWidth - kRadioTextIndent, kRowHeight));
    pauseLength_ = MakeField(this, "SplitPauseLength", NumericField::Kind::Decimal, kPauseLengthTop,
                             tr("Shortest Pause"));
    pauseLengthCaption_ = MakeLabel(this, "Gui_Label8", tr("Seconds"), CaptionPlace(kPauseLengthTop));

    snap_ = new QCheckBox(tr("Snap To Pauses Within:"), this);
    snap_->setObjectName(QStringLiteral("SplitSnap"));
    snap_->setGeometry(kRadioLeft, kSnapTop, kRadioWidth, kRowHeight);
    snap_->setToolTip(tr("Move each marker of a count, length or size to the nearest pause"));
    snapReach_ = MakeField(this, "SplitSnapReach", NumericField::Kind::Decimal, kSnapTop, tr("Snap Distance"));
    snapCaption_ = MakeLabel(this, "Gui_Label9", tr("Seconds"), CaptionPlace(kSnapTop));
}

void SplitWizard::Connect()
{
    const SplitMethod methods[] = {SplitMethod::SectionCount, SplitMethod::SectionLength, SplitMethod::SectionSize,
                                   SplitMethod::CueSheet, SplitMethod::Pauses};
    for (int row = 0; row < kMethods; ++row) {
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

    connect(pauseLevel_, &NumericField::edited, this,
            [this](const std::string& text) { calculator_.PauseLevelChange(text); });
    connect(pauseLength_, &NumericField::edited, this,
            [this](const std::string& text) { calculator_.PauseLengthChange(text); });
    connect(snapReach_, &NumericField::edited, this,
            [this](const std::string& text) { calculator_.SnapReachChange(text); });
    for (NumericField* field : {pauseLevel_, pauseLength_, snapReach_})
        connect(field, &NumericField::applied, this, &SplitWizard::TidyPauseFields);
    connect(snap_, &QCheckBox::toggled, this, [this](bool on) {
        calculator_.SetSnap(on);
        Sync();
    });

    connect(cueBrowse_, &EzRgnButton::clicked, this, &SplitWizard::BrowseCue);
    help_->AddShortcut(QKeySequence::HelpContents);
    connect(help_, &EzRgnButton::clicked, this, [this] { emit helpRequested(QLatin1String(kHelpTopic)); });
    connect(okay_, &EzRgnButton::clicked, this, &SplitWizard::Okay);
    connect(cancel_, &EzRgnButton::clicked, this, &QDialog::reject);
}

int SplitWizard::Run(const MPEGData& file, std::span<const std::int16_t> profile, MarkerList& markers,
                     SplitMethod method)
{
    calculator_.FormActivate(file);
    SelectMethod(method);
    markers_ = &markers;
    profile_ = profile;
    Sync();
    const int result = exec();
    markers_ = nullptr;
    profile_ = {};
    return result;
}

void SplitWizard::Sync()
{
    const SplitMethod method = calculator_.Method();
    for (int row = 0; row < kMethods; ++row) {
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

    pauseLevel_->ShowModelText(calculator_.PauseLevelText());
    pauseLength_->ShowModelText(calculator_.PauseLengthText());
    snapReach_->ShowModelText(calculator_.SnapReachText());
    const bool pauseFields = calculator_.PauseFieldsEnabled();
    for (QWidget* control : std::initializer_list<QWidget*>{pauseLevel_, pauseLevelCaption_, pauseLengthLabel_,
                                                            pauseLength_, pauseLengthCaption_})
        control->setEnabled(pauseFields);
    {
        const QSignalBlocker quiet(snap_);
        snap_->setChecked(calculator_.Snap());
    }
    snap_->setEnabled(calculator_.SnapEnabled());
    snapReach_->setEnabled(calculator_.SnapReachEnabled());
    snapCaption_->setEnabled(calculator_.SnapReachEnabled());
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

void SplitWizard::TidyPauseFields()
{
    try {
        calculator_.TidyPauseFields();
    } catch (const Error& failure) {
        // Silent, like the other fields: the texts stay for a correction.
        NoteQuietFailure("Reading the pause fields", failure);
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
        outcome = calculator_.ApplyOkay(*markers_, profile_);
    } catch (const MarkerLimitError& failure) {
        // More than the markers hold is asked for: the markers are
        // untouched, and the window stays open for another choice.
        QMessageBox::information(this, tr("Ogg Quorvel 2003"), QString::fromStdString(failure.what()));
        Sync();
        return;
    } catch (const Error& failure) {
        // The markers are untouched; the window stays open for a correction.
        NoteQuietFailure("Laying the markers", failure);
        Sync();
        return;
    }
    Sync();
    if (outcome.NoPauseFound) {
        // The window stays open for another level or length.
        QMessageBox::information(this, tr("Ogg Quorvel 2003"), tr("No pauses found."));
        return;
    }
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
