#pragma once
// Where the storage upload reports how far it has got: over the whole file, not per block.
#include <cstdint>

namespace cloud {

class StorageProgress {
public:
    virtual ~StorageProgress() = default;
    virtual void begin(std::int64_t total) = 0;
    virtual void advance(std::int64_t done) = 0;
};

}  // namespace cloud
