#include "skin/SkinImages.h"

#include <QHash>
#include <QPainter>

namespace skin {

// Placeholder art until the drawn images land: a plain tile per resource.
QPixmap Image(int resourceId) {
    static QHash<int, QPixmap> cache;
    auto it = cache.find(resourceId);
    if (it != cache.end())
        return *it;
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor::fromHsv((resourceId * 37) % 360, 60, 200));
    cache.insert(resourceId, pixmap);
    return pixmap;
}

QIcon AppIcon() {
    return QIcon(Image(128));
}

} // namespace skin
