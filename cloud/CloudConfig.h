#pragma once
// Where the cloud lives and whether sharing is on. The hosts are build-time constants that the
// environment overrides: OSTRELY_CLOUD_HOST (host[:port] of the API, plain http unless
// "https://" stands before it) and OSTRELY_STORAGE_HOST (URL of the storage upload host).
#include "cloud/HttpLimits.h"

#include <QString>

namespace cloud {

class CloudConfig {
public:
    CloudConfig(QString apiHost, QString storageHost);
    static CloudConfig fromEnvironment();

    const QString& apiHost() const { return m_apiHost; }
    const QString& storageHost() const { return m_storageHost; }
    QString tokenUrl(const QString& fileName) const;
    QString fileInfoUrl() const;

    const HttpLimits& limits() const { return m_limits; }
    void setLimits(const HttpLimits& limits) { m_limits = limits; }

private:
    QString m_apiScheme = QStringLiteral("http://");
    QString m_apiHost;
    QString m_storageHost;
    HttpLimits m_limits;
};

// The administrator's switch: a file of that form, "[Share] Enabled=false" turns sharing off.
inline constexpr const char* kAdminSettingsFile = "/etc/xdg/Ostrely/Ostrely.conf";

// Built with sharing and not switched off by the administrator (in either share mode).
bool sharingEnabled(const QString& adminFile = QString::fromLatin1(kAdminSettingsFile));

}  // namespace cloud
