#include "CloudUploader.h"

#include "CloudAnswers.h"
#include "HttpClient.h"
#include "StorageUploader.h"

#include "platform/Log.h"

#include <QFileInfo>

#include <QFileInfo>

namespace cloud {

CloudUploader::CloudUploader(CHttpClient& client, CloudConfig config)
    : m_client(client), m_config(std::move(config)) {}

int CloudUploader::UploadFile(const QString& folder, const QString& fileName, QString& link,
                              StorageProgress* progress) {
    QString answer;
    m_client.ExecuteRequest("GET", m_config.tokenUrl(fileName), nullptr, answer);
    if (answer.isEmpty()) {
        platform::log::failure(platform::log::share(), "No upload token", "empty answer");
        return kNoToken;
    }

    UploadGrant grant;
    if (const GrantParse parsed = parseTokenAnswer(answer.toStdString(), &grant);
        parsed != GrantParse::Ok) {
        platform::log::failure(platform::log::share(), "Unusable token answer",
                               QString::fromLatin1(grantParseText(parsed)));
        return kBadTokenAnswer;
    }

    const QString localPath = folder + fileName;
    StorageUploader storage(m_config.storageHost());
    storage.setLimits(m_config.limits());
    storage.setAbortFlag(m_abort);
    if (!storage.PutToStorage(grant.uptoken, grant.key, localPath, progress)) {
        platform::log::failure(platform::log::share(),
                               QStringLiteral("storage upload of %1 failed (%2)")
                                   .arg(localPath)
                                   .arg(storage.lastStatus()),
                               QString::fromStdString(storage.lastError()));
        return kStorageFailed;
    }

    const std::int64_t size = QFileInfo(localPath).size();
    const QString body =
        QString::fromStdString(fileInfoBody(fileName.toStdString(), grant.key, size));
    m_client.ExecuteRequest("POST", m_config.fileInfoUrl(), &body, answer);
    if (!fileInfoAccepted(answer.toStdString())) {
        platform::log::failure(platform::log::share(), "File information refused",
                               answer.left(200));
        return kFileInfoRefused;
    }

    link = QString::fromStdString(downloadLink(grant.domain, grant.key));
    return kUploaded;
}

}  // namespace cloud
