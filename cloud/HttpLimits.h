#pragma once
// Time-outs and caps of one HTTP exchange. The defaults are the platform's usual ones; tests
// shorten them so a stalling server costs milliseconds.
#include <atomic>
#include <cstddef>

namespace cloud {

struct HttpLimits {
    long connectTimeoutMs = 30000;
    // No byte moved for this long ends the exchange as timed out.
    long stallTimeoutSec = 30;
    // The whole exchange; 0 means no limit (a large upload chunk on a slow line).
    long totalTimeoutMs = 120000;
    // Answers of the cloud API are small JSON texts: more than this is refused, not read on.
    std::size_t maxAnswerBytes = 1 << 20;
};

}  // namespace cloud
