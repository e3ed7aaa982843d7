#include "StorageUploader.h"

#include "ChunkAnswer.h"
#include "HeaderText.h"
#include "HttpClient.h"
#include "StorageProgress.h"

#include <QByteArray>
#include <QFile>

#include <zlib.h>

namespace cloud {

namespace {

std::uint32_t crcOf(const std::string& bytes) {
    return static_cast<std::uint32_t>(crc32(crc32(0L, Z_NULL, 0),
                                            reinterpret_cast<const Bytef*>(bytes.data()),
                                            static_cast<uInt>(bytes.size())));
}

std::string urlSafeBase64(const std::string& s) {
    const QByteArray b = QByteArray(s.data(), static_cast<qsizetype>(s.size()))
                             .toBase64(QByteArray::Base64UrlEncoding);
    return b.toStdString();
}

// What a chunk answer must say for the chunk to count as stored.
struct ChunkCheck {
    std::int64_t offset;
    std::uint32_t crc;
    std::string ctx;
    std::int64_t gotOffset = -1;
};

bool acceptChunk(const HttpReply& reply, void* p) {
    auto* check = static_cast<ChunkCheck*>(p);
    return readChunkAnswer(reply.body, check->offset, check->crc, &check->ctx);
}

bool acceptAny(const HttpReply&, void*) {
    return true;
}

}  // namespace

StorageUploader::StorageUploader(QString uploadHost)
    : m_session(CHttpClient::userAgent()), m_host(uploadHost.toStdString()) {
    while (!m_host.empty() && m_host.back() == '/') m_host.pop_back();
}

bool StorageUploader::retryableStatus(long status) {
    // 406: the storage saw a damaged chunk; 5xx are passing faults, except 579 (the file is
    // stored but the callback failed), which sending again cannot mend.
    if (status == 406 || status == 996) return true;
    return status >= 500 && status < 600 && status != 579;
}

HttpReply StorageUploader::postWithRetry(const HttpExchange& ex,
                                         bool (*accept)(const HttpReply&, void*), void* check) {
    HttpReply reply;
    for (int attempt = 0; attempt <= kRetries; ++attempt) {
        if (m_session.aborted()) break;
        reply = m_session.perform(ex);
        m_lastStatus = reply.status;
        if (reply.outcome != 0) {
            m_lastError = reply.error;
            continue;
        }
        if (reply.status == 200) {
            if (accept(reply, check)) return reply;
            m_lastError = "answer does not match the chunk sent";
            continue;
        }
        m_lastError = "status " + std::to_string(reply.status);
        if (!retryableStatus(reply.status)) return reply;
    }
    reply.status = reply.status == 200 ? 0 : reply.status;  // a 200 that never checked out
    return reply;
}

bool StorageUploader::sendChunk(const std::string& path, const std::string& token,
                                const std::string& chunk, std::int64_t expectedOffset,
                                ChunkAnswer* answer) {
    HttpExchange ex;
    ex.verb = "POST";
    ex.url = m_host + path;
    ex.headers = {"Authorization: UpToken " + token, "Content-Type: application/octet-stream"};
    ex.hasBody = true;
    ex.body = chunk;
    ChunkCheck check{expectedOffset, crcOf(chunk), {}};
    const HttpReply reply = postWithRetry(ex, &acceptChunk, &check);
    if (reply.outcome != 0 || reply.status != 200) return false;
    answer->ctx = check.ctx;
    answer->offset = expectedOffset;
    answer->crc = check.crc;
    return true;
}

bool StorageUploader::putBlocks(const std::string& token, const std::string& key, QFile& file,
                                std::int64_t size, StorageProgress* progress) {
    std::string ctxList;
    for (std::int64_t blockStart = 0; blockStart < size; blockStart += kBlockSize) {
        const std::int64_t blockLen = std::min(kBlockSize, size - blockStart);
        ChunkAnswer last;
        for (std::int64_t inBlock = 0; inBlock < blockLen; inBlock += kChunkSize) {
            const std::int64_t len = std::min(kChunkSize, blockLen - inBlock);
            const QByteArray bytes = file.read(len);
            if (bytes.size() != len) {
                m_lastError = "file changed while it was read";
                return false;
            }
            const std::string chunk(bytes.constData(), static_cast<size_t>(bytes.size()));
            const std::string path = inBlock == 0
                                         ? "/mkblk/" + std::to_string(blockLen)
                                         : "/bput/" + last.ctx + "/" + std::to_string(inBlock);
            if (!sendChunk(path, token, chunk, inBlock + len, &last)) return false;
            if (progress != nullptr) progress->advance(blockStart + inBlock + len);
        }
        if (!ctxList.empty()) ctxList += ',';
        ctxList += last.ctx;
    }
    return makeFile(token, key, size, ctxList);
}

bool StorageUploader::makeFile(const std::string& token, const std::string& key, std::int64_t size,
                               const std::string& ctxList) {
    HttpExchange ex;
    ex.verb = "POST";
    ex.url = m_host + "/mkfile/" + std::to_string(size) + "/key/" + urlSafeBase64(key);
    ex.headers = {"Authorization: UpToken " + token, "Content-Type: text/plain"};
    ex.hasBody = true;
    ex.body = ctxList;
    const HttpReply reply = postWithRetry(ex, &acceptAny, nullptr);
    return reply.outcome == 0 && reply.status == 200;
}

bool StorageUploader::putEmpty(const std::string& token, const std::string& key) {
    // The protocol has no empty block: an empty file goes up as one form upload.
    const std::string boundary = "----ostrely-form-7MA4YWxkTrZu0gW";
    auto field = [&](const std::string& name, const std::string& value) {
        return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name +
               "\"\r\n\r\n" + value + "\r\n";
    };
    HttpExchange ex;
    ex.verb = "POST";
    ex.url = m_host + "/";
    ex.headers = {"Content-Type: multipart/form-data; boundary=" + boundary};
    ex.hasBody = true;
    ex.body = field("token", token) + field("key", key) + "--" + boundary +
              "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + key +
              "\"\r\nContent-Type: application/octet-stream\r\n\r\n\r\n--" + boundary + "--\r\n";
    const HttpReply reply = postWithRetry(ex, &acceptAny, nullptr);
    return reply.outcome == 0 && reply.status == 200;
}

bool StorageUploader::PutToStorage(const std::string& uploadToken, const std::string& key,
                                   const QString& localPath, StorageProgress* progress) {
    m_lastStatus = 0;
    m_lastError.clear();
    if (!isSafeHeaderText(uploadToken) || !isSafeHeaderText(key)) {
        m_lastError = "control characters in the upload token or key";
        return false;
    }
    QFile file(localPath);
    const bool opened = file.open(QIODevice::ReadOnly);
    const std::int64_t size = opened ? file.size() : 0;
    if (progress != nullptr) progress->begin(size);
    if (!opened) {
        m_lastError = "cannot open " + localPath.toStdString();
        return false;
    }
    if (size == 0) return putEmpty(uploadToken, key);
    return putBlocks(uploadToken, key, file, size, progress);
}

}  // namespace cloud
