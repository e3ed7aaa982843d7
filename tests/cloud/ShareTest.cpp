// Whole shares through the controller, with ostrely-cloud: the worker reaches the view and the
// message box only on the user-interface thread, and one share runs at a time.
#include "CloudProcess.h"

#include "cloud/CloudUploader.h"
#include "cloud/QrViewPort.h"
#include "cloud/ShareController.h"
#include "cloud/ShareHost.h"
#include "cloud/ShareWorker.h"
#include "lang/TextIds.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <vector>

using namespace cloud;
using testsupport::sharedCloud;

namespace {

// Records what the share asked of the view, and on which thread.
class RecordingView : public QrViewPort {
public:
    void showBlank() override { note("blank"); }
    void hidePicture() override { note("hidePicture"); }
    void showProgress(std::int64_t total) override { note("progress 0.." + std::to_string(total)); }
    void setProgress(std::int64_t done) override {
        lastProgress = done;
        note("at");
    }
    bool ShowLink(const QString& l, const QString& path) override {
        link = l;
        imagePath = path;
        note("link");
        return linkFits;
    }
    void hideView() override { note("hide"); }

    void note(const std::string& what) {
        if (QThread::currentThread() != qApp->thread()) offThread = true;
        calls.push_back(what);
    }
    std::vector<std::string> calls;
    bool offThread = false;
    std::int64_t lastProgress = -1;
    bool linkFits = true;
    QString link;
    QString imagePath;
};

class FakeHost : public ShareHost {
public:
    explicit FakeHost(const testsupport::TempDir& dir) : m_dir(dir) {}
    bool exportPdf(QString* folder, QString* fileName) override {
        if (exportThrows) throw std::runtime_error("printer driver exploded");
        if (!exportWorks) return false;
        QFile f(m_dir.file("2024061514.pdf"));
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(pdfSize, 'p'));
        *folder = m_dir.path() + "/";
        *fileName = "2024061514.pdf";
        return true;
    }
    QObject* uiContext() override { return qApp; }
    QString text(int id) const override { return QString("text %1").arg(id); }
    void showMessage(const QString& text, const QString& caption) override {
        view.note("message");
        messages.push_back(text + " / " + caption);
    }
    QrViewPort& qrView() override { return view; }
    QString storeFolder() const override { return m_dir.path() + "/"; }

    RecordingView view;
    std::vector<QString> messages;
    bool exportWorks = true;
    bool exportThrows = false;
    int pdfSize = 300000;

private:
    const testsupport::TempDir& m_dir;
};

bool waitForEnd(const ShareController& c) {
    QElapsedTimer t;
    t.start();
    while (c.running() && t.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    return !c.running();
}

class Share : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sharedCloud().running());
        sharedCloud().reset();
    }
    testsupport::TempDir m_dir;
    FakeHost m_host{m_dir};
};

}  // namespace

TEST_F(Share, ASuccessfulShareEndsWithTheLinkShownFromTheUiThread) {
    ShareController c(m_host, sharedCloud().config());
    ASSERT_TRUE(c.start());
    ASSERT_TRUE(waitForEnd(c));
    EXPECT_EQ(c.lastResult(), kUploaded);
    const auto& calls = m_host.view.calls;
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls.front(), "blank");
    EXPECT_EQ(calls[1], "hidePicture");
    EXPECT_EQ(calls[2], "progress 0..300000");
    EXPECT_EQ(calls.back(), "link");
    EXPECT_EQ(m_host.view.lastProgress, 300000);
    EXPECT_FALSE(m_host.view.offThread);
    EXPECT_EQ(m_host.view.imagePath, m_dir.path() + "/QR.bmp");
    EXPECT_TRUE(m_host.view.link.startsWith("http://127.0.0.1:"));
    EXPECT_TRUE(m_host.messages.empty());
}

TEST_F(Share, EachFailureShowsItsMessageThenHidesTheView) {
    const std::pair<const char*, int> cases[] = {{"token-empty", text::kTokenFailed},
                                                 {"info-result-1", text::kFileInfoFailed},
                                                 {"token-not-json", text::kParseFailed},
                                                 {"upload-fail", text::kUploadFailed},
                                                 // answers meant to break the reader or a header
                                                 {"token-deep", text::kParseFailed},
                                                 {"info-deep", text::kFileInfoFailed},
                                                 {"upload-deep", text::kUploadFailed},
                                                 {"token-crlf", text::kParseFailed}};
    for (const auto& [fault, id] : cases) {
        sharedCloud().setFaults(fault);
        FakeHost host(m_dir);
        ShareController c(host, sharedCloud().config());
        ASSERT_TRUE(c.start());
        ASSERT_TRUE(waitForEnd(c)) << fault;
        ASSERT_EQ(host.messages.size(), 1u) << fault;
        // The cloud answered: a refusal, told with what to do next; the storage step has no hint.
        const QString hint = id == text::kUploadFailed
                                 ? QString()
                                 : QString("\ntext %1").arg(text::kShareHintRefused);
        EXPECT_EQ(host.messages[0],
                  QString("text %1%2 / text %3").arg(id).arg(hint).arg(text::kCaption))
            << fault;
        EXPECT_EQ(host.view.calls.back(), "hide") << fault;
        EXPECT_FALSE(host.view.offThread);
    }
}

TEST_F(Share, NoNetworkIsToldWithWhatToDoNext) {
    // A port nobody listens on: the request never reaches a peer.
    const CloudConfig unreachable(QStringLiteral("127.0.0.1:1"), QStringLiteral("127.0.0.1:1"));
    ShareController c(m_host, unreachable);
    ASSERT_TRUE(c.start());
    ASSERT_TRUE(waitForEnd(c));
    ASSERT_EQ(m_host.messages.size(), 1u);
    EXPECT_EQ(m_host.messages[0], QString("text %1\ntext %2 / text %3")
                                      .arg(text::kTokenFailed)
                                      .arg(text::kShareHintNoNetwork)
                                      .arg(text::kCaption));
}

TEST_F(Share, AFailedExportLeavesTheViewOpenAndBlank) {
    m_host.exportWorks = false;
    ShareController c(m_host, sharedCloud().config());
    ASSERT_TRUE(c.start());
    ASSERT_TRUE(waitForEnd(c));
    EXPECT_EQ(c.lastResult(), ShareWorker::kExportFailed);
    EXPECT_EQ(m_host.view.calls, std::vector<std::string>{"blank"});
    EXPECT_EQ(sharedCloud().stats().find("\"tokenRequests\":1"), std::string::npos);
}

TEST_F(Share, ASecondShareWhileOneRunsIsRefused) {
    sharedCloud().setFaults("token-stall");
    ShareController c(m_host, sharedCloud().config(400));
    ASSERT_TRUE(c.start());
    EXPECT_FALSE(c.start());
    ASSERT_TRUE(waitForEnd(c));
    sharedCloud().reset();
    EXPECT_TRUE(c.start());  // and once it has ended, the next one goes
    ASSERT_TRUE(waitForEnd(c));
    EXPECT_EQ(c.lastResult(), kUploaded);
}

TEST_F(Share, ClosingDuringAShareEndsItWithoutTouchingTheView) {
    sharedCloud().setFaults("token-stall");
    {
        ShareController c(m_host, sharedCloud().config(20000));
        ASSERT_TRUE(c.start());
        QThread::msleep(50);
    }  // the destructor ends the worker and waits for it
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_host.messages.empty());
    EXPECT_EQ(m_host.view.calls, std::vector<std::string>{"blank"});
}

TEST_F(Share, AnExceptionInTheWorkerEndsTheShareAsItsFailureWouldAndIsLogged) {
    testsupport::LogCapture log;
    m_host.exportThrows = true;
    ShareController c(m_host, sharedCloud().config());
    ASSERT_TRUE(c.start());
    ASSERT_TRUE(waitForEnd(c));
    EXPECT_EQ(c.lastResult(), ShareWorker::kExportFailed);
    EXPECT_EQ(m_host.view.calls, std::vector<std::string>{"blank"});
    EXPECT_EQ(log.matching("ostrely.share", {"printer driver exploded"}).size(), 1);

    m_host.exportThrows = false;  // the controller is not stuck: the next share goes through
    ASSERT_TRUE(c.start());
    ASSERT_TRUE(waitForEnd(c));
    EXPECT_EQ(c.lastResult(), kUploaded);
}

TEST_F(Share, ALinkWithoutAQrCodeIsToldToTheTeacherAndTheViewHidden) {
    testsupport::LogCapture log;
    m_host.view.linkFits = false;
    ShareController c(m_host, sharedCloud().config());
    ASSERT_TRUE(c.start());
    ASSERT_TRUE(waitForEnd(c));
    EXPECT_EQ(c.lastResult(), kUploaded);  // the file is in the cloud all the same
    ASSERT_EQ(m_host.messages.size(), 1u);
    EXPECT_EQ(m_host.messages[0],
              QString("text %1 / text %2").arg(text::kQrFailed).arg(text::kCaption));
    const auto& calls = m_host.view.calls;
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[calls.size() - 3], "link");
    EXPECT_EQ(calls[calls.size() - 2], "message");
    EXPECT_EQ(calls.back(), "hide");
    EXPECT_FALSE(m_host.view.offThread);
    EXPECT_EQ(log.matching("ostrely.share", {"QR code"}).size(), 1);
}
