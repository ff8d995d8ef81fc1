#ifndef CENTRING_H
#define CENTRING_H

#include <QRect>

class QWidget;

// Gives the window rectangle moved so that its centre is the work area's centre.
QRect CentredGeometry(const QRect &window, const QRect &workArea);

// Centres the widget on the work area of the primary screen; keeps its size.
void CentreOnWorkArea(QWidget &widget);

#endif // CENTRING_H
