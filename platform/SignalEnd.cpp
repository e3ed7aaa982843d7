#include "SignalEnd.h"

#include <signal.h>
#include <unistd.h>

namespace platform {

void endBySignal(int sig) {
    ::signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    // Inside its own handler the signal is blocked: it must be let through to take effect.
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(sig);
    ::_exit(128 + sig);
}

}  // namespace platform
