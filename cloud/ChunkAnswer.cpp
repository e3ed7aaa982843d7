#include "ChunkAnswer.h"

#include "HeaderText.h"
#include "JsonAnswer.h"

#include <json/json.h>

namespace cloud {

bool readChunkAnswer(const std::string& text, std::int64_t offset, std::uint32_t crc,
                     std::string* ctx) {
    Json::Value root;
    if (!parseJsonAnswer(text, &root) || !root.isObject()) return false;
    const Json::Value& c = root["ctx"];
    const Json::Value& o = root["offset"];
    const Json::Value& k = root["crc32"];
    // Read only as types the numbers fit: jsoncpp throws on a negative CRC read unsigned or an
    // offset beyond 64 signed bits.
    if (!c.isString() || c.asString().empty() || !o.isInt64() || !k.isUInt()) return false;
    // The context goes into the next chunk's URL.
    if (!isSafeHeaderText(c.asString())) return false;
    if (o.asLargestInt() != offset) return false;
    if (k.asUInt() != crc) return false;
    *ctx = c.asString();
    return true;
}

}  // namespace cloud
