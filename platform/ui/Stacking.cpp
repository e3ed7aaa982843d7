#include "Stacking.h"

#include <QWidget>
#include <QWindow>

namespace platform {

void showAbove(QWidget& owner, QWidget& child) {
    // Children made before their owner had a native window get the relation when they show.
    QWindow* own = owner.windowHandle();
    child.winId();
    QWindow* theirs = child.windowHandle();
    if (own != nullptr && theirs != nullptr && theirs->transientParent() != own)
        theirs->setTransientParent(own);
    child.show();
    child.raise();
    child.activateWindow();
}

}  // namespace platform
