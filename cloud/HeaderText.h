#pragma once
// Text from an answer that goes into a request header, a URL or a form: a control character or
// line break there would end the header early and let the answer write headers of its own.
#include <string_view>

namespace cloud {

// No byte below 0x20 and no DEL.
bool isSafeHeaderText(std::string_view text);

}  // namespace cloud
