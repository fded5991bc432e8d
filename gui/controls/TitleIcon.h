#pragma once

#include <QWidget>

namespace oq {

// The program icon a skinned title bar paints, made a control: a widget
// that draws nothing, laid over the icon, which asks for the window's menu
// when pressed with either button.
class TitleIcon : public QWidget {
    Q_OBJECT

public:
    explicit TitleIcon(QWidget* parent = nullptr);

    // Where the menu opens, in global pixels: just below the icon's left edge.
    QPoint MenuPlace() const;

signals:
    // The menu should open at `globalPlace` (MenuPlace).
    void menuRequested(QPoint globalPlace);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace oq
