#include "HeaderText.h"

#include <algorithm>

namespace cloud {

bool isSafeHeaderText(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

}  // namespace cloud
