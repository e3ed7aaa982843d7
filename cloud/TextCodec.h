#pragma once
// Decoding answers: "GBK" (exactly so written) through iconv, anything else as UTF-8.
#include <QString>

#include <string_view>

namespace cloud {

QString decodeAnswer(std::string_view bytes, const QString& charset);
// GBK to text; a byte sequence that is not GBK becomes U+FFFD.
QString decodeGbk(std::string_view bytes);

}  // namespace cloud
