#pragma once
// Tells when the screens change under the program: one added or removed, another primary, a new
// resolution, a panel that takes or gives back room (the work area), a new DPI. A burst of
// signals (a resolution change sends several) comes out as one call.
#include <QObject>
#include <QTimer>

#include <functional>

class QScreen;

class ScreenWatch : public QObject {
public:
    explicit ScreenWatch(std::function<void()> onChange, QObject* parent = nullptr);

    static constexpr int kSettleMs = 100;

private:
    void watch(QScreen* screen);
    void changed();

    std::function<void()> m_changed;
    QTimer m_settle;
};
