#pragma once
// The body of one share, run on its own thread: the PDF, the upload, then the QR code or the
// message that says what failed. It reaches the view and the message box only through the call
// sink of the user-interface thread.
#include "cloud/CloudConfig.h"

#include <QString>

namespace platform {
class CallSink;
}

#include <atomic>

namespace cloud {

class CHttpClient;

class ShareHost;

class ShareWorker {
public:
    // What a share ended in when it never got to the upload.
    static constexpr int kExportFailed = -1;

    ShareWorker(ShareHost& host, platform::CallSink& ui, CloudConfig config, QString storeFolder,
                const std::atomic<bool>* abort);

    // The upload's result (0 to 4), or kExportFailed.
    int ShareThread();
    // After ShareThread threw: ends the share as a failed export would before the upload, and
    // as a failed upload after it. Returns that result.
    int endAfterError();

    // The message for a failed upload's result, or 0.
    static int messageFor(int result);

private:
    // hint: a text saying what to do next, shown under the failure's own; 0 for none.
    void reportFailure(int result, int hint = 0);
    static int hintFor(int result, const CHttpClient& client);
    void showQrCode(const QString& link);

    ShareHost& m_host;
    platform::CallSink& m_ui;
    CloudConfig m_config;
    QString m_storeFolder;
    const std::atomic<bool>* m_abort;
    std::atomic<bool> m_exported{false};
};

}  // namespace cloud
