#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPen>
#include <QRectF>

#include <functional>

class QPainter;

// The symbols on the skin's buttons, each drawn in a 20 x 20 design box with
// the colours of the button state it shows.
namespace oq::skin {

struct Look {
    QColor top;
    QColor bottom;
    QColor border;
    QColor highlight;
    QColor ink;
    QColor accent;
    QColor accentSoft;
    qreal shift = 0; // a pressed button's content sinks by this much
    bool hover = false;
};


using Symbol = std::function<void(QPainter&, const Look&)>;

QPen InkPen(const Look& look, qreal width);
// Draws `symbol` (in design units) into `box`.
void PaintSymbol(QPainter& p, const QRectF& box, const Look& look, const Symbol& symbol);

void Folder(QPainter& p, const Look& look);
void InfoSymbol(QPainter& p, const Look& look);
void HelpSymbol(QPainter& p, const Look& look);
void Scissors(QPainter& p, const Look& look);
void ExportSymbol(QPainter& p, const Look& look);
void JoinSymbol(QPainter& p, const Look& look);
void WaveSymbol(QPainter& p, const Look& look);
void CatalogSymbol(QPainter& p, const Look& look);
// The marker's outline: a pointed roof over a body, in any box's units.
QPainterPath MarkerShape(qreal left, qreal top, qreal width, qreal height);
// A marker with a plus (`add`) or minus sign beside it.
void MarkerWithSign(QPainter& p, const Look& look, bool add);
void WandSymbol(QPainter& p, const Look& look);
// `upTo`: the triangle runs into a bar (play up to); else it leaves one.
void PlaySymbol(QPainter& p, const Look& look, bool upTo);
void ZoomSymbol(QPainter& p, const Look& look, bool in);
void Chevrons(QPainter& p, const Look& look, bool forward);
void MinimizeSymbol(QPainter& p, const Look& look);
void CloseSymbol(QPainter& p, const Look& look);

} // namespace oq::skin
