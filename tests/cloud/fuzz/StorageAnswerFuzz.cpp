// Any answer of the storage to a chunk: the first 12 bytes are the offset and CRC the chunk
// expects, the rest the answer. An accepted answer gives a context fit for a URL.
#include "cloud/ChunkAnswer.h"
#include "cloud/HeaderText.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) return 0;
    std::int64_t offset = 0;
    std::uint32_t crc = 0;
    std::memcpy(&offset, data, 8);
    std::memcpy(&crc, data + 8, 4);
    const std::string text(reinterpret_cast<const char*>(data + 12), size - 12);
    std::string ctx;
    if (cloud::readChunkAnswer(text, offset, crc, &ctx)) {
        if (ctx.empty() || !cloud::isSafeHeaderText(ctx)) std::abort();
    } else if (!ctx.empty()) {
        std::abort();  // a refused answer leaves the context alone
    }
    return 0;
}
