// Any answer body: joined from its pieces it is never longer than what came, holds no zero
// byte, and decodes in either charset without fault.
#include "cloud/AnswerPieces.h"
#include "cloud/TextCodec.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const std::string joined = cloud::joinAnswerPieces(raw);
    if (joined.size() > raw.size() || joined.find('\0') != std::string::npos) std::abort();
    if (raw.find('\0') == std::string_view::npos && joined != raw) std::abort();
    const QString utf8 = cloud::decodeAnswer(joined, QStringLiteral("UTF-8"));
    const QString gbk = cloud::decodeAnswer(joined, QStringLiteral("GBK"));
    if (joined.empty() != utf8.isEmpty() || joined.empty() != gbk.isEmpty()) std::abort();
    return 0;
}
