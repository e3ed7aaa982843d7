#include "RecorderHost.h"

#include <QColor>

QString RecorderHost::text(int id) const {
    if (const auto it = pack.find(id); it != pack.end()) return it->second;
    switch (id) {
        case 1: return QStringLiteral("OK");
        case 2: return QStringLiteral("Cancel");
        case 20030: return QStringLiteral("Clear all pictures?");
        case 20032: return QStringLiteral("Software version");
        case 20033: return QStringLiteral("Hardware version");
        default: return QStringLiteral("#%1").arg(id);
    }
}

void RecorderHost::ShowView(bool show) {
    view = show;
    calls << QStringLiteral("ShowView %1").arg(show);
}

bool RecorderHost::takePicture(int tag) {
    busy = true;
    calls << QStringLiteral("takePicture %1").arg(tag);
    return true;
}

void RecorderHost::clearPictures() {
    pictures = 0;
    calls << "clearPictures";
}

PixmapSource plainPixmaps(std::vector<std::pair<int, QSize>>* requests) {
    return [requests](int id, QSize size) {
        if (requests) requests->emplace_back(id, size);
        QPixmap p(size.isEmpty() ? QSize(16, 16) : size);
        p.fill(QColor::fromHsv((id * 37) % 360, 200, 200));
        return p;
    };
}
