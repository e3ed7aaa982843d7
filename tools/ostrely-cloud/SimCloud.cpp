#include "SimCloud.h"

#include <json/json.h>
#include <zlib.h>

#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace simcloud {

namespace {

constexpr std::int64_t kMaxBlock = 4 << 20;

std::string json(const Json::Value& v) {
    Json::StreamWriterBuilder w;
    w["indentation"] = "";
    return Json::writeString(w, v);
}

Answer error(int status, const std::string& why) {
    Json::Value v;
    v["error"] = why;
    return {status, json(v)};
}

std::uint32_t crcOf(const std::string& s) {
    return static_cast<std::uint32_t>(crc32(crc32(0L, Z_NULL, 0),
                                            reinterpret_cast<const Bytef*>(s.data()),
                                            static_cast<uInt>(s.size())));
}

std::string base64UrlDecode(const std::string& in) {
    std::string out;
    int val = 0;
    int bits = -8;
    for (char c : in) {
        int d;
        if (c >= 'A' && c <= 'Z')
            d = c - 'A';
        else if (c >= 'a' && c <= 'z')
            d = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            d = c - '0' + 52;
        else if (c == '-' || c == '+')
            d = 62;
        else if (c == '_' || c == '/')
            d = 63;
        else
            break;  // padding
        val = (val << 6) | d;
        bits += 6;
        if (bits >= 0) {
            out.push_back(static_cast<char>((val >> bits) & 0xFF));
            bits -= 8;
        }
    }
    return out;
}

std::string safeName(const std::string& name) {
    std::string out;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_')
            out.push_back(c);
    return out.empty() ? "file" : out;
}

bool parse(const std::string& text, Json::Value* v) {
    Json::CharReaderBuilder b;
    std::unique_ptr<Json::CharReader> r(b.newCharReader());
    std::string err;
    return r->parse(text.data(), text.data() + text.size(), v, &err);
}

}  // namespace

void SimCloud::setFaults(const std::string& list) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
    std::string s = list;
    for (char& c : s)
        if (c == ',') c = ' ';
    std::istringstream in(s);
    for (std::string f; in >> f;) m_faults.insert(f);
    m_flakyLeft = m_faults.count("upload-flaky") != 0 ? 1 : 0;
}

bool SimCloud::fault(const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults.count(name) != 0;
}

void SimCloud::reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
    m_flakyLeft = 0;
    m_blocks.clear();
    m_chunkRequests = m_injectedFailures = m_tokenRequests = m_fileInfoRequests = 0;
}

std::string SimCloud::newId() {
    static std::mt19937_64 rng(std::random_device{}());
    std::ostringstream s;
    s << std::hex << rng() << ++m_counter;
    return s.str();
}

// 1,001 nested arrays: one more than a JSON reader's usual stack limit.
std::string SimCloud::deeplyNested() {
    return std::string(1001, '[') + std::string(1001, ']');
}

Answer SimCloud::token(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_tokenRequests;
    auto has = [this](const char* f) { return m_faults.count(f) != 0; };
    if (has("token-empty")) return {200, ""};
    if (has("token-not-json"))
        return {200, "<html><body>Service Unavailable</body></html>", "text/html"};
    if (has("token-not-object")) return {200, "[1,2,3]"};
    if (has("token-no-data")) return {200, "{}"};
    if (has("token-wrong-types"))
        return {200, R"({"Code":0,"Data":{"domain":1,"uptoken":true,"key":["k"]}})"};
    if (has("token-data-not-object")) return {200, R"({"Code":0,"Data":"none"})"};
    if (has("token-deep")) return {200, deeplyNested()};
    const std::string token =
        has("token-crlf") ? "sim-" + newId() + "\r\nX-Injected: 1" : "sim-" + newId();
    const std::string key = newId().substr(0, 8) + "-" + safeName(name);
    m_tokens[token] = key;
    Json::Value v;
    v["Code"] = 0;
    v["Data"]["domain"] = m_domain;
    v["Data"]["uptoken"] = token;
    v["Data"]["key"] = key;
    return {200, json(v)};
}

Answer SimCloud::fileInfo(const std::string& body) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_fileInfoRequests;
    auto has = [this](const char* f) { return m_faults.count(f) != 0; };
    if (has("info-result-1")) return {200, R"({"Result":1})"};
    if (has("info-result-string")) return {200, R"({"Result":"0"})"};
    if (has("info-result-float")) return {200, R"({"Result":0.0})"};
    if (has("info-empty-object")) return {200, "{}"};
    if (has("info-not-json")) return {200, "Result=0", "text/plain"};
    if (has("info-500")) return {500, R"({"Result":0})"};
    if (has("info-deep")) return {200, deeplyNested()};
    Json::Value v;
    if (!parse(body, &v) || !v.isObject()) return {400, R"({"Result":1,"Message":"not JSON"})"};
    const Json::Value& link = v["link"];
    if (!v["name"].isString() || !link.isString() || v["type"] != "pdf" || v["server"] != "qiniu" ||
        !v["size"].isIntegral())
        return {400, R"({"Result":1,"Message":"bad members"})"};
    auto file = m_files.find(link.asString());
    if (file == m_files.end()) return {404, R"({"Result":1,"Message":"no such key"})"};
    if (v["size"].asInt64() != static_cast<std::int64_t>(file->second.size()))
        return {400, R"({"Result":1,"Message":"size differs"})"};
    m_registered[link.asString()] = v["size"].asInt64();
    return {200, R"({"Result":0,"Message":"ok"})"};
}

std::string SimCloud::tokenOf(const std::string& auth) const {
    const std::string prefix = "UpToken ";
    if (auth.compare(0, prefix.size(), prefix) != 0) return {};
    const std::string token = auth.substr(prefix.size());
    if (m_faults.count("upload-reject-token") != 0) return {};
    return m_tokens.count(token) != 0 ? token : std::string();
}

bool SimCloud::injectUploadFault(Answer* answer) {
    ++m_chunkRequests;
    if (m_faults.count("upload-fail") != 0 || m_flakyLeft > 0) {
        if (m_flakyLeft > 0) --m_flakyLeft;
        ++m_injectedFailures;
        *answer = error(503, "service unavailable");
        return true;
    }
    return false;
}

Answer SimCloud::chunkAnswer(const std::string& ctx, const Block& block, const std::string& chunk) {
    if (m_faults.count("upload-deep") != 0) return {200, deeplyNested()};
    std::uint32_t crc = crcOf(chunk);
    if (m_faults.count("upload-bad-crc") != 0) crc ^= 1;
    Json::Value v;
    v["ctx"] = ctx;
    v["checksum"] = "";
    v["crc32"] = static_cast<Json::UInt64>(crc);
    v["offset"] = static_cast<Json::Int64>(block.data.size());
    v["host"] = "";
    v["expired_at"] = 0;
    return {200, json(v)};
}

Answer SimCloud::makeBlock(const std::string& auth, std::int64_t blockSize,
                           const std::string& chunk) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string token = tokenOf(auth);
    if (token.empty()) return error(401, "bad token");
    Answer fail;
    if (injectUploadFault(&fail)) return fail;
    if (blockSize <= 0 || blockSize > kMaxBlock ||
        static_cast<std::int64_t>(chunk.size()) > blockSize)
        return error(400, "bad block size");
    const std::string ctx = newId();
    Block& b = m_blocks[ctx];
    b = Block{token, blockSize, chunk};
    return chunkAnswer(ctx, b, chunk);
}

Answer SimCloud::putChunk(const std::string& auth, const std::string& ctx, std::int64_t offset,
                          const std::string& chunk) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string token = tokenOf(auth);
    if (token.empty()) return error(401, "bad token");
    Answer fail;
    if (injectUploadFault(&fail)) return fail;
    auto it = m_blocks.find(ctx);
    if (it == m_blocks.end() || it->second.token != token) return error(701, "invalid ctx");
    Block b = it->second;
    if (offset != static_cast<std::int64_t>(b.data.size())) return error(701, "chunk out of order");
    if (static_cast<std::int64_t>(b.data.size() + chunk.size()) > b.size)
        return error(400, "chunk beyond block");
    b.data += chunk;
    m_blocks.erase(it);
    const std::string next = newId();
    m_blocks[next] = b;
    return chunkAnswer(next, b, chunk);
}

Answer SimCloud::makeFile(const std::string& auth, std::int64_t size, const std::string& encodedKey,
                          const std::string& ctxList) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string token = tokenOf(auth);
    if (token.empty()) return error(401, "bad token");
    if (m_faults.count("mkfile-fail") != 0) return error(500, "mkfile failed");
    const std::string key = base64UrlDecode(encodedKey);
    if (m_tokens[token] != key) return error(403, "key does not match the token");
    std::string bytes;
    std::istringstream in(ctxList);
    std::vector<std::string> used;
    for (std::string ctx; std::getline(in, ctx, ',');) {
        auto it = m_blocks.find(ctx);
        if (it == m_blocks.end() || it->second.token != token) return error(701, "invalid ctx");
        if (static_cast<std::int64_t>(it->second.data.size()) != it->second.size)
            return error(400, "block incomplete");
        bytes += it->second.data;
        used.push_back(ctx);
    }
    if (static_cast<std::int64_t>(bytes.size()) != size) return error(400, "size differs");
    for (const std::string& ctx : used) m_blocks.erase(ctx);
    store(key, bytes);
    Json::Value v;
    v["key"] = key;
    v["hash"] = std::to_string(crcOf(bytes));
    return {200, json(v)};
}

Answer SimCloud::formUpload(const std::string& token, const std::string& key,
                            const std::string& file) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_faults.count("upload-reject-token") != 0 || m_tokens.count(token) == 0)
        return error(401, "bad token");
    Answer fail;
    if (injectUploadFault(&fail)) return fail;
    if (m_tokens[token] != key) return error(403, "key does not match the token");
    store(key, file);
    Json::Value v;
    v["key"] = key;
    v["hash"] = std::to_string(crcOf(file));
    return {200, json(v)};
}

void SimCloud::store(const std::string& key, const std::string& bytes) {
    m_files[key] = bytes;
    if (m_storeDir.empty()) return;
    std::ofstream out(m_storeDir + "/" + key, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool SimCloud::stored(const std::string& key, std::string* bytes) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_files.find(key);
    if (it == m_files.end()) return false;
    *bytes = it->second;
    return true;
}

std::string SimCloud::stats() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    Json::Value v;
    v["tokenRequests"] = m_tokenRequests;
    v["fileInfoRequests"] = m_fileInfoRequests;
    v["chunkRequests"] = m_chunkRequests;
    v["injectedFailures"] = m_injectedFailures;
    v["files"] = static_cast<Json::UInt64>(m_files.size());
    v["registered"] = static_cast<Json::UInt64>(m_registered.size());
    return json(v);
}

}  // namespace simcloud
