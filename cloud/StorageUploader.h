#pragma once
// Our client of the storage's upload protocol: resumable upload in 4 MiB blocks of 256 KiB
// chunks, one after the other (mkblk, bput, mkfile), or one form upload for an empty file.
// Every answer's ctx, offset and crc32 is checked against the chunk sent.
#include "cloud/CurlSession.h"

#include <QString>

#include <cstdint>
#include <string>

namespace cloud {

class StorageProgress;
}  // namespace cloud
class QFile;
namespace cloud {

class StorageUploader {
public:
    static constexpr std::int64_t kBlockSize = 4 << 20;
    static constexpr std::int64_t kChunkSize = 256 << 10;
    // A chunk is sent again this many times after a transport error or a retryable status.
    static constexpr int kRetries = 3;

    explicit StorageUploader(QString uploadHost);

    void setLimits(const HttpLimits& limits) { m_session.setLimits(limits); }
    void setAbortFlag(const std::atomic<bool>* abort) { m_session.setAbortFlag(abort); }

    // True exactly when the storage answered the final request with 200.
    bool PutToStorage(const std::string& uploadToken, const std::string& key,
                      const QString& localPath, StorageProgress* progress);

    // The last status seen (0: none) and why the upload failed, for the log.
    long lastStatus() const { return m_lastStatus; }
    const std::string& lastError() const { return m_lastError; }

    static bool retryableStatus(long status);

private:
    struct ChunkAnswer {
        std::string ctx;
        std::int64_t offset = -1;
        std::uint32_t crc = 0;
    };
    bool putEmpty(const std::string& token, const std::string& key);
    bool putBlocks(const std::string& token, const std::string& key, QFile& file, std::int64_t size,
                   StorageProgress* progress);
    bool sendChunk(const std::string& path, const std::string& token, const std::string& chunk,
                   std::int64_t expectedOffset, ChunkAnswer* answer);
    bool makeFile(const std::string& token, const std::string& key, std::int64_t size,
                  const std::string& ctxList);
    HttpReply postWithRetry(const HttpExchange& ex, bool (*accept)(const HttpReply&, void*),
                            void* check);

    CurlSession m_session;
    std::string m_host;
    long m_lastStatus = 0;
    std::string m_lastError;
};

}  // namespace cloud
