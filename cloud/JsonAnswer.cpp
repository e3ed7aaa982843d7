#include "JsonAnswer.h"

#include "platform/Log.h"

#include <json/json.h>

#include <algorithm>
#include <memory>

namespace cloud {

int jsonNestingDepth(const std::string& text) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

bool parseJsonAnswer(const std::string& text, Json::Value* root) {
    if (text.size() > kMaxJsonAnswerBytes || jsonNestingDepth(text) > kMaxJsonDepth) return false;
    Json::CharReaderBuilder builder;
    builder["allowComments"] = true;
    builder["collectComments"] = false;
    builder["stackLimit"] = kMaxJsonDepth + 1;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    try {
        return reader->parse(text.data(), text.data() + text.size(), root, &errors);
    } catch (const Json::Exception& e) {
        // The limits above should keep this from happening; should another input make the
        // reader throw, it is a refused answer all the same.
        platform::log::failure(platform::log::share(), "JSON reader failed",
                               QString::fromLocal8Bit(e.what()));
        return false;
    }
}

}  // namespace cloud
