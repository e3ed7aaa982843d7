#pragma once
// The JSON of the cloud API: what the token answer carries, whether the file information was
// accepted, and the texts built from them.
#include <cstdint>
#include <string>

namespace cloud {

struct UploadGrant {
    std::string domain;
    std::string uptoken;
    std::string key;
};

enum class GrantParse {
    Ok,
    NotJson,
    // Valid JSON, but not an object with "Data" holding the three strings, each free of
    // control characters.
    WrongShape,
};

// What was wrong with a token answer, for the log.
const char* grantParseText(GrantParse parsed);

GrantParse parseTokenAnswer(const std::string& text, UploadGrant* grant);
// Accepted only when the top-level "Result" is the integer 0 (not "0", not 0.0).
bool fileInfoAccepted(const std::string& text);
// The strings are JSON-escaped: the key comes from the server.
std::string fileInfoBody(const std::string& name, const std::string& key, std::int64_t size);
std::string downloadLink(const std::string& domain, const std::string& key);

}  // namespace cloud
