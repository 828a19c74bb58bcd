#include "app/PopupPosition.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <limits>

namespace {

long long DistanceSquared(QPoint p, const QRect& r) {
    const long long dx = p.x() < r.left()    ? r.left() - p.x()
                         : p.x() > r.right() ? p.x() - r.right()
                                             : 0;
    const long long dy = p.y() < r.top()      ? r.top() - p.y()
                         : p.y() > r.bottom() ? p.y() - r.bottom()
                                              : 0;
    return dx * dx + dy * dy;
}

}  // namespace

QPoint PopupPosition(QPoint cursor, const QList<QRect>& screens, const QList<QRect>& available) {
    if (screens.isEmpty() || screens.size() != available.size()) return cursor;
    qsizetype nearest = 0;
    long long best = std::numeric_limits<long long>::max();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (screens[i].contains(cursor)) return cursor;
        const long long d = DistanceSquared(cursor, screens[i]);
        if (d < best) {
            best = d;
            nearest = i;
        }
    }
    const QRect& area = available[nearest];
    return {std::clamp(cursor.x(), area.left(), std::max(area.left(), area.right())), cursor.y()};
}

QPoint PopupPositionOnDesktop(QPoint cursor) {
    QList<QRect> screens;
    QList<QRect> available;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.append(screen->geometry());
        available.append(screen->availableGeometry());
    }
    return PopupPosition(cursor, screens, available);
}
