#pragma once
// The storage's answer to one chunk: it counts as stored only when it names a context to go on
// with, the offset the chunk ends at and the chunk's CRC-32.
#include <cstdint>
#include <string>

namespace cloud {

// The context for the next chunk, or false when the answer does not confirm this chunk.
bool readChunkAnswer(const std::string& text, std::int64_t offset, std::uint32_t crc,
                     std::string* ctx);

}  // namespace cloud
