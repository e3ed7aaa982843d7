#include "ShareWorker.h"

#include "CloudUploader.h"
#include "HttpClient.h"
#include "QrViewPort.h"
#include "ShareHost.h"
#include "StorageProgress.h"

#include "lang/TextIds.h"
#include "platform/CallSink.h"
#include "platform/Log.h"

namespace cloud {

namespace {

// Moves the view's progress bar; the position is queued, not waited for, so the upload does not
// wait on the user-interface thread for every chunk.
class ViewProgress : public StorageProgress {
public:
    ViewProgress(ShareHost& host, platform::CallSink& ui) : m_host(host), m_ui(ui) {}
    void begin(std::int64_t total) override {
        m_ui.call([this, total] { m_host.qrView().showProgress(total); });
    }
    void advance(std::int64_t done) override {
        ShareHost* host = &m_host;
        m_ui.post([host, done] { host->qrView().setProgress(done); });
    }

private:
    ShareHost& m_host;
    platform::CallSink& m_ui;
};

}  // namespace

ShareWorker::ShareWorker(ShareHost& host, platform::CallSink& ui, CloudConfig config,
                         QString storeFolder, const std::atomic<bool>* abort)
    : m_host(host),
      m_ui(ui),
      m_config(std::move(config)),
      m_storeFolder(std::move(storeFolder)),
      m_abort(abort) {}

int ShareWorker::messageFor(int result) {
    switch (result) {
        case kNoToken: return text::kTokenFailed;
        case kFileInfoRefused: return text::kFileInfoFailed;
        case kBadTokenAnswer: return text::kParseFailed;
        case kStorageFailed: return text::kUploadFailed;
        default: return 0;
    }
}

// The likely cause of a failed step with the cloud's API, as the teacher can act on it.
int ShareWorker::hintFor(int result, const CHttpClient& client) {
    if (result != kNoToken && result != kFileInfoRefused && result != kBadTokenAnswer) return 0;
    return client.reachedPeer() ? text::kShareHintRefused : text::kShareHintNoNetwork;
}

int ShareWorker::ShareThread() {
    QString folder;
    QString fileName;
    // A failed export leaves the view open and blank, as the user last saw it.
    if (!m_host.exportPdf(&folder, &fileName)) return kExportFailed;
    m_exported = true;

    CHttpClient client("UTF-8");
    client.setLimits(m_config.limits());
    client.setAbortFlag(m_abort);
    m_ui.call([this] { m_host.qrView().hidePicture(); });

    CloudUploader uploader(client, m_config);
    uploader.setAbortFlag(m_abort);
    ViewProgress progress(m_host, m_ui);
    QString link;
    const int result = uploader.UploadFile(folder, fileName, link, &progress);
    if (result == kUploaded)
        showQrCode(link);
    else
        reportFailure(result, hintFor(result, client));
    return result;
}

int ShareWorker::endAfterError() {
    if (!m_exported) return kExportFailed;
    reportFailure(kStorageFailed);
    return kStorageFailed;
}

void ShareWorker::showQrCode(const QString& link) {
    const QString imagePath = m_storeFolder + "QR.bmp";
    m_ui.call([this, &link, &imagePath] {
        if (m_host.qrView().ShowLink(link, imagePath)) return;
        // The file is in the cloud, but nobody can fetch it without the code: say so.
        platform::log::failure(platform::log::share(), "No QR code for the link",
                               QStringLiteral("%1 characters").arg(link.size()));
        m_host.showMessage(m_host.text(text::kQrFailed), m_host.text(text::kCaption));
        m_host.qrView().hideView();
    });
}

void ShareWorker::reportFailure(int result, int hint) {
    const int id = messageFor(result);
    if (id == 0) return;
    m_ui.call([this, id, hint] {
        QString message = m_host.text(id);
        if (hint != 0) message += '\n' + m_host.text(hint);
        m_host.showMessage(message, m_host.text(text::kCaption));
        m_host.qrView().hideView();
    });
}

}  // namespace cloud
