#include "RoomLifetime.h"

namespace cloud {

bool RoomLifetime::update(bool viewShown, const QDateTime& now) {
    if (viewShown) {
        m_hiddenSince = QDateTime();
        return true;
    }
    if (!m_hiddenSince.isValid()) m_hiddenSince = now;
    return now < closesAt(now);
}

QDateTime RoomLifetime::closesAt(const QDateTime& now) const {
    const QDateTime from = m_hiddenSince.isValid() ? m_hiddenSince : now;
    return from.addSecs(m_linger.count());
}

}  // namespace cloud
