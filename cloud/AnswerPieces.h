#pragma once
// The answer is taken in pieces of 1,024 bytes, each kept only up to its first zero byte: a
// zero inside a piece cuts that piece, and the following pieces are still appended.
#include <string>
#include <string_view>

namespace cloud {

inline constexpr std::size_t kAnswerPiece = 1024;

std::string joinAnswerPieces(std::string_view raw);

}  // namespace cloud
