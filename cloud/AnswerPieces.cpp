#include "AnswerPieces.h"

#include <algorithm>

namespace cloud {

std::string joinAnswerPieces(std::string_view raw) {
    std::string text;
    text.reserve(raw.size());
    for (std::size_t at = 0; at < raw.size(); at += kAnswerPiece) {
        const std::string_view piece = raw.substr(at, kAnswerPiece);
        text.append(piece.substr(0, std::min(piece.find('\0'), piece.size())));
    }
    return text;
}

}  // namespace cloud
