#include "ScreenWatch.h"

#include "platform/Log.h"

#include <QGuiApplication>
#include <QScreen>

ScreenWatch::ScreenWatch(std::function<void()> onChange, QObject* parent)
    : QObject(parent), m_changed(std::move(onChange)) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] { m_changed(); });
    for (QScreen* s : QGuiApplication::screens()) watch(s);
    auto* app = qGuiApp;
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* s) {
        watch(s);
        changed();
    });
    connect(app, &QGuiApplication::screenRemoved, this, [this] { changed(); });
    connect(app, &QGuiApplication::primaryScreenChanged, this, [this] { changed(); });
}

void ScreenWatch::watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { changed(); });
    connect(screen, &QScreen::availableGeometryChanged, this, [this] { changed(); });
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, [this] { changed(); });
}

void ScreenWatch::changed() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary != nullptr)
        qCInfo(platform::log::shell) << "screen changed: primary" << primary->geometry() << "free"
                                     << primary->availableGeometry();
    m_settle.start();
}
