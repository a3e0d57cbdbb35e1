#include "app/AboutLogo.h"

#include <QPainter>

namespace app {

AboutLogo::AboutLogo(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("aboutLogo"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void AboutLogo::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Laid out on a 40 x 12 grid scaled to the widget.
    const qreal cellW = width() / 40.0;
    const qreal cellH = height() / 12.0;
    const auto block = [&](qreal x, qreal y, qreal w, qreal h) {
        painter.fillRect(QRectF(x * cellW, y * cellH, w * cellW, h * cellH), Qt::black);
    };
    // The black keys of one octave: two, then three.
    for (const qreal x : {3.0, 6.0, 12.0, 15.0, 18.0}) {
        block(x, 2, 2, 5);
    }
    // The keyboard's bed.
    block(1, 8, 21, 2);
    // A pulse travelling away from it, getting shorter.
    block(24, 4, 2, 4);
    block(28, 3, 2, 6);
    block(32, 4, 2, 4);
    block(36, 5, 2, 2);
}

}  // namespace app
