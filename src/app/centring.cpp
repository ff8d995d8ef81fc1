#include "app/centring.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QRect CentredGeometry(const QRect &window, const QRect &workArea)
{
    // Sums in 64 bits, as Qt 5.15's QRect::center does; 5.12's would overflow.
    const int cx = int((qint64(workArea.left()) + workArea.right()) / 2);
    const int cy = int((qint64(workArea.top()) + workArea.bottom()) / 2);
    const int dw = window.right() - window.left();
    const int dh = window.bottom() - window.top();
    const int x1 = cx - dw / 2;
    const int y1 = cy - dh / 2;
    return QRect(QPoint(x1, y1), QPoint(x1 + dw, y1 + dh));
}

void CentreOnWorkArea(QWidget &widget)
{
    // The default screen's work area, as the desktop widget's availableGeometry(-1) gave
    // it before Qt deprecated that.
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen)
        widget.setGeometry(CentredGeometry(widget.geometry(), screen->availableGeometry()));
}
