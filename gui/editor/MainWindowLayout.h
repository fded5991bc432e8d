#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

namespace oq {

// Where everything of the main window stands, in client pixels: the
// background's panels and captions and the controls laid on them. The
// background is painted around these places, so a control moved here
// takes its panel along only when the panel is moved too.
struct MainWindowLayout {
    static constexpr QSize kClientSize{557, 531};
    static constexpr int kTitleHeight = 34;

    // --- Background panels ----------------------------------------------------
    static constexpr QRectF kFileButtonWell{8, 40, 541, 54};
    static constexpr QRectF kToolButtonWell{8, 457, 541, 56};
    // The display: ruler, overview and marker rail on one light plate.
    static constexpr QRectF kDisplayPlate{58, 116, 491, 182};
    static constexpr QRectF kFileNameWell{8, 303, 334, 21};
    static constexpr QRectF kMarkerPlate{6, 328, 152, 121};
    static constexpr QRectF kSectionPlate{161, 328, 182, 121};
    static constexpr QRectF kZoomPlate{346, 303, 203, 146};

    // --- Views ------------------------------------------------------------------
    static constexpr QRect kOverview{54, 126, 496, 166};
    static constexpr QRect kZoom{349, 307, 151, 133};
    static constexpr QRect kZoomSize{507, 367, 30, 13};

    // --- Buttons (their pictures' sizes come with the skin) --------------------
    static constexpr QPoint kOpenOgg{62, 46};
    static constexpr QPoint kOggInfo{184, 46};
    static constexpr QPoint kSaveSplit{306, 46};
    static constexpr QPoint kExportOgg{428, 46};
    static constexpr QPoint kAddMarker{13, 123};
    static constexpr QPoint kDelMarker{13, 188};
    static constexpr QPoint kSplitWizard{13, 253};
    static constexpr QPoint kPlayTo{13, 334};
    static constexpr QPoint kPlayFrom{103, 334};
    static constexpr QPoint kZoomIn{505, 312};
    static constexpr QPoint kZoomOut{505, 389};
    // The nudge buttons sit in the bottom corners of the zoom view, inside
    // its frame: these are places in the zoom view.
    static constexpr QPoint kNudgeBack{1, 110};
    static constexpr QPoint kNudgeFwd{121, 110};
    static constexpr QPoint kJoin{62, 464};
    static constexpr QPoint kWave{184, 464};
    static constexpr QPoint kCatalog{306, 464};
    static constexpr QPoint kHelp{428, 464};
    static constexpr QPoint kMinimize{496, 7};
    static constexpr QPoint kClose{533, 7};

    // --- Fields, lists and labels ---------------------------------------------
    static constexpr QRect kOggTitle{13, 307, 323, 13};
    static constexpr QRect kPlayTimeSpin{63, 340, 36, 22};
    static constexpr QRect kRangeSelectMarker{13, 390, 138, 21};
    static constexpr QRect kRangePos{83, 419, 66, 21};
    static constexpr QRect kSectionSelectSection{164, 362, 174, 21};
    static constexpr int kSectionTotalRight = 336;
    static constexpr QRect kSectionTotal{kSectionTotalRight - 100, 337, 100, 13};
    static constexpr QRect kSectionLengthEdit{271, 390, 66, 21};
    static constexpr QRect kSectionSizeEdit{271, 419, 66, 21};
};

} // namespace oq
