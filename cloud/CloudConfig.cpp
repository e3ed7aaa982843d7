#include "CloudConfig.h"

#include "ShareMode.h"

#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace cloud {

CloudConfig::CloudConfig(QString apiHost, QString storageHost)
    : m_apiHost(std::move(apiHost)), m_storageHost(std::move(storageHost)) {
    while (m_storageHost.endsWith('/')) m_storageHost.chop(1);
    // The API is plain http unless the build or the environment names https for it.
    if (m_apiHost.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        m_apiScheme = QStringLiteral("https://");
        m_apiHost.remove(0, 8);
    } else if (m_apiHost.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)) {
        m_apiHost.remove(0, 7);
    }
}

CloudConfig CloudConfig::fromEnvironment() {
    QString api = qEnvironmentVariable("OSTRELY_CLOUD_HOST");
    QString storage = qEnvironmentVariable("OSTRELY_STORAGE_HOST");
    if (api.isEmpty()) api = QString::fromUtf8(OSTRELY_CLOUD_HOST_DEFAULT);
    if (storage.isEmpty()) storage = QString::fromUtf8(OSTRELY_STORAGE_HOST_DEFAULT);
    return CloudConfig(api, storage);
}

QString CloudConfig::tokenUrl(const QString& fileName) const {
    // The names the export makes are digits and ".pdf"; anything else is percent-encoded rather
    // than sent as a broken request line.
    const QByteArray name = QUrl::toPercentEncoding(fileName, "._-~");
    return m_apiScheme + m_apiHost +
           "/api/getanonymousqiniuuptokenkey?name=" + QString::fromLatin1(name);
}

QString CloudConfig::fileInfoUrl() const {
    return m_apiScheme + "www." + m_apiHost + "/api/qiniuaddanonymousfileinfo";
}

bool sharingEnabled(const QString& adminFile) {
    return readShareMode(adminFile) != ShareMode::Off;
}

}  // namespace cloud
