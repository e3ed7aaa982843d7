#pragma once
#include <QString>

namespace platform {

// A per-user lock held for the life of the process (it is never released before exit).
class SingleInstance {
public:
    enum class Result { Acquired, AlreadyHeld, Unavailable };

    // Takes the lock called name in $XDG_RUNTIME_DIR, or in the per-user scratch folder.
    // Unavailable means no lock file could be made: the caller goes on as if it held the lock.
    static Result acquire(const QString& name);
    static Result acquireIn(const QString& folder, const QString& name);
};

}  // namespace platform
