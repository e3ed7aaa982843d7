#pragma once
// How long the link of a share in the room stays open: while its view is shown, and for a
// stated time after the view was last seen closed.
#include <QDateTime>

#include <chrono>

namespace cloud {

class RoomLifetime {
public:
    explicit RoomLifetime(std::chrono::seconds linger) : m_linger(linger) {}

    // Tells whether the view is shown at now; false once the link is to close.
    bool update(bool viewShown, const QDateTime& now);
    // When the link closes if the view is not shown again: at now + linger while it is shown.
    QDateTime closesAt(const QDateTime& now) const;
    std::chrono::seconds linger() const { return m_linger; }

private:
    std::chrono::seconds m_linger;
    QDateTime m_hiddenSince;  // invalid while shown
};

}  // namespace cloud
