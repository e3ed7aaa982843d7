#pragma once
// One share's exchange with the cloud: the upload token, the file itself into storage, the file
// information, and the download link.
#include "cloud/CloudConfig.h"

#include <QString>

#include <atomic>

namespace cloud {

class CHttpClient;
class StorageProgress;

// Results of UploadFile.
enum UploadResult : int {
    kNoToken = 0,  // the token request brought back no text
    kFileInfoRefused = 1,
    kBadTokenAnswer = 2,  // not JSON, or not of the expected shape
    kStorageFailed = 3,
    kUploaded = 4,  // the link is set
};

class CloudUploader {
public:
    CloudUploader(CHttpClient& client, CloudConfig config);

    void setAbortFlag(const std::atomic<bool>* abort) { m_abort = abort; }

    // folder ends with '/'; link is set only on kUploaded.
    int UploadFile(const QString& folder, const QString& fileName, QString& link,
                   StorageProgress* progress);

private:
    CHttpClient& m_client;
    CloudConfig m_config;
    const std::atomic<bool>* m_abort = nullptr;
};

}  // namespace cloud
