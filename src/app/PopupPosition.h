#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

// Where the notification menu opens for a cursor position: the point itself when it lies on a
// screen; otherwise its x is clamped into the horizontal extent of the available area of the
// nearest screen (y unchanged).
QPoint PopupPosition(QPoint cursor, const QList<QRect>& screens, const QList<QRect>& available);

// The same for the screens of this desktop.
QPoint PopupPositionOnDesktop(QPoint cursor);
