#pragma once
// JSON answers from the network, read with limits. jsoncpp throws, rather than failing, on
// nesting beyond its stack limit; the depth is therefore measured before it parses, and the
// size is capped, so a hostile answer is refused as "not JSON" and never unwinds a thread.
#include <cstddef>
#include <string>

namespace Json {
class Value;
}

namespace cloud {

// The answers of the cloud API and the storage are a few hundred bytes, two levels deep.
inline constexpr std::size_t kMaxJsonAnswerBytes = 64 * 1024;
inline constexpr int kMaxJsonDepth = 32;

// Deepest nesting of arrays and objects outside strings; brackets in comments count too.
int jsonNestingDepth(const std::string& text);

// False for an answer that is too large, too deep or not JSON. Comments are allowed as the
// cloud API's own reader allows them.
bool parseJsonAnswer(const std::string& text, Json::Value* root);

}  // namespace cloud
