#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QSlider;

namespace oq {

class EzRgnButton;
class Player;
struct MPEGData;

// The small borderless window that shows the open file's information text
// and carries the output volume slider. It is made once, hidden, and shown
// and hidden again for the rest of the run; it is not modal. Its text is
// kept up to date whether or not it is shown.
class InfoWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kSize{247, 243};
    static constexpr int kVolumeStep = 655; // about 1 % of the slider's 0..65535

    // `volume` holds the output volume; it must outlive the window.
    InfoWindow(Player& volume, QWidget* parent = nullptr);

    // Writes the information text of `record` into the text box.
    void ShowOggInformation(const MPEGData& record);
    // Reads the output volume into the slider.
    void ReadVolume();

    QPlainTextEdit* InfoMemo() const noexcept { return infoMemo1_; }
    QSlider* VolTrack() const noexcept { return volTrack_; }
    EzRgnButton* CloseButton() const noexcept { return infoClose_; }

protected:
    bool event(QEvent* event) override;

private:
    void VolTrackChange(int position);

    Player& volume_;
    QLabel* image1_;
    QPlainTextEdit* infoMemo1_;
    QLabel* zoomLbl4_;
    QSlider* volTrack_;
    EzRgnButton* infoClose_;
};

} // namespace oq
