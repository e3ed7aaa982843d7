#pragma once
// ostrely-cloud started for a test binary, on a port of its own choosing.
#include "cloud/CloudConfig.h"

#include <QProcess>
#include <QString>

#include <string>

namespace testsupport {

class CloudProcess {
public:
    CloudProcess();
    ~CloudProcess();

    bool running() const { return m_port > 0; }
    int port() const { return m_port; }
    // host:port of the API as the program is told it: a name under which "www." resolves too.
    QString apiHost() const;
    QString storageUrl() const;
    cloud::CloudConfig config(long timeoutMs = 3000) const;

    void setFaults(const std::string& faults);
    void reset();
    std::string stats();
    // The stored file at that key, by a plain GET (status 200 needed).
    bool download(const std::string& key, std::string* bytes);
    // A token answer's grant, fetched directly.
    bool grant(const std::string& name, std::string* token, std::string* key);

private:
    QProcess m_process;
    int m_port = 0;
};

// The one server of a test binary.
CloudProcess& sharedCloud();

}  // namespace testsupport
