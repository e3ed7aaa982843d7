#pragma once
// The state of the local stand-in for the cloud API and the storage host: tokens handed out,
// blocks being uploaded, stored files, and the faults it has been told to show.
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace simcloud {

struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
};

class SimCloud {
public:
    explicit SimCloud(std::string storeDir) : m_storeDir(std::move(storeDir)) {}

    void setDomain(const std::string& domain) { m_domain = domain; }
    // Replaces the fault list (names separated by spaces or commas); "" clears it.
    void setFaults(const std::string& list);
    bool fault(const std::string& name) const;
    void reset();

    Answer token(const std::string& name);
    Answer fileInfo(const std::string& body);
    Answer makeBlock(const std::string& auth, std::int64_t blockSize, const std::string& chunk);
    Answer putChunk(const std::string& auth, const std::string& ctx, std::int64_t offset,
                    const std::string& chunk);
    Answer makeFile(const std::string& auth, std::int64_t size, const std::string& encodedKey,
                    const std::string& ctxList);
    Answer formUpload(const std::string& token, const std::string& key, const std::string& file);
    // The stored file, or nothing.
    bool stored(const std::string& key, std::string* bytes) const;
    std::string stats() const;

private:
    struct Block {
        std::string token;
        std::int64_t size = 0;
        std::string data;
    };
    std::string tokenOf(const std::string& auth) const;
    bool injectUploadFault(Answer* answer);
    static std::string deeplyNested();
    Answer chunkAnswer(const std::string& ctx, const Block& block, const std::string& chunk);
    std::string newId();
    void store(const std::string& key, const std::string& bytes);

    mutable std::mutex m_mutex;
    std::string m_storeDir;
    std::string m_domain;
    std::set<std::string> m_faults;
    int m_flakyLeft = 0;
    std::uint64_t m_counter = 0;
    std::map<std::string, std::string> m_tokens;  // token -> key it may store
    std::map<std::string, Block> m_blocks;        // ctx -> block so far
    std::map<std::string, std::string> m_files;   // key -> bytes
    std::map<std::string, std::int64_t> m_registered;
    int m_chunkRequests = 0;
    int m_injectedFailures = 0;
    int m_tokenRequests = 0;
    int m_fileInfoRequests = 0;
};

}  // namespace simcloud
