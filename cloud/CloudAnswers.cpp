#include "CloudAnswers.h"

#include "HeaderText.h"
#include "JsonAnswer.h"

#include <json/json.h>

namespace cloud {

namespace {

bool takeString(const Json::Value& object, const char* name, std::string* out) {
    const Json::Value* v = object.find(name, name + std::char_traits<char>::length(name));
    if (v == nullptr || !v->isString()) return false;
    *out = v->asString();
    // Each of them ends up in a header, a URL or a form.
    return isSafeHeaderText(*out);
}

std::string quoted(const std::string& s) {
    return Json::valueToQuotedString(s.c_str());
}

}  // namespace

const char* grantParseText(GrantParse parsed) {
    switch (parsed) {
        case GrantParse::Ok: return "ok";
        case GrantParse::NotJson: return "not JSON, too large or nested too deep";
        case GrantParse::WrongShape: return "not of the expected shape";
    }
    return "?";
}

GrantParse parseTokenAnswer(const std::string& text, UploadGrant* grant) {
    Json::Value root;
    if (!parseJsonAnswer(text, &root)) return GrantParse::NotJson;
    if (!root.isObject()) return GrantParse::WrongShape;
    const Json::Value* data = root.find("Data", "Data" + 4);
    if (data == nullptr || !data->isObject()) return GrantParse::WrongShape;
    UploadGrant g;
    if (!takeString(*data, "domain", &g.domain) || !takeString(*data, "uptoken", &g.uptoken) ||
        !takeString(*data, "key", &g.key))
        return GrantParse::WrongShape;
    *grant = std::move(g);
    return GrantParse::Ok;
}

bool fileInfoAccepted(const std::string& text) {
    Json::Value root;
    if (!parseJsonAnswer(text, &root) || !root.isObject()) return false;
    const Json::Value* result = root.find("Result", "Result" + 6);
    if (result == nullptr) return false;
    const Json::ValueType t = result->type();
    if (t == Json::intValue) return result->asLargestInt() == 0;
    if (t == Json::uintValue) return result->asLargestUInt() == 0;
    return false;
}

std::string fileInfoBody(const std::string& name, const std::string& key, std::int64_t size) {
    return "{\"name\":" + quoted(name) + ",\"link\":" + quoted(key) +
           ",\"type\":\"pdf\",\"server\":\"qiniu\",\"size\":" + std::to_string(size) + "}";
}

std::string downloadLink(const std::string& domain, const std::string& key) {
    return "http://" + domain + "/" + key;
}

}  // namespace cloud
