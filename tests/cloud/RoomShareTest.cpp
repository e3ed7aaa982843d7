// Whole shares in the room through the controller: the link reaches the view from the
// user-interface thread, the phones' downloads come back the same way, and the link closes
// when its time is over, when the next share starts and when the program ends.
#include "RawHttp.h"

#include "cloud/QrViewPort.h"
#include "cloud/RoomShare.h"
#include "cloud/ShareController.h"
#include "cloud/ShareHost.h"
#include "lang/TextIds.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace cloud;
using testsupport::rawGet;

namespace {

class RoomView : public QrViewPort {
public:
    void showBlank() override {
        note();
        shown = true;
    }
    void hidePicture() override { note(); }
    void showProgress(std::int64_t) override { note(); }
    void setProgress(std::int64_t) override { note(); }
    bool ShowLink(const QString& l, const QString&) override {
        note();
        link = l;
        ++links;
        return l.size() < maxLink;
    }
    void hideView() override {
        note();
        shown = false;
    }
    void showLinkText(const QString& l) override {
        note();
        linkText = l;
    }
    void showAddresses(const QStringList& a, int, std::function<void(int)> c) override {
        note();
        addresses = a;
        choose = std::move(c);
    }
    void showRoomStatus(const QString& s) override {
        note();
        status = s;
    }
    bool isShown() const override { return shown; }

    void note() {
        if (QThread::currentThread() != qApp->thread()) offThread = true;
    }
    bool offThread = false;
    bool shown = false;
    int maxLink = 1000;
    int links = 0;
    QString link;
    QString linkText;
    QStringList addresses;
    std::function<void(int)> choose;
    QString status;
};

class RoomHost : public ShareHost {
public:
    explicit RoomHost(const testsupport::TempDir& dir) : m_dir(dir) {}
    bool exportPdf(QString* folder, QString* fileName) override {
        if (exportThrows) throw std::runtime_error("no pictures after all");
        if (!exportWorks) return false;
        ++exports;
        QFile f(m_dir.file(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        *folder = m_dir.path() + "/";
        *fileName = name;
        return true;
    }
    QObject* uiContext() override { return qApp; }
    QString text(int id) const override {
        if (id == text::kRoomOpenUntil) return "open until %1";
        if (id == text::kRoomDownloads) return "%1 downloads";
        return QString("text %1").arg(id);
    }
    void showMessage(const QString& t, const QString&) override {
        view.note();
        messages << t;
    }
    QrViewPort& qrView() override { return view; }
    QString storeFolder() const override { return m_dir.path() + "/"; }

    RoomView view;
    QStringList messages;
    bool exportWorks = true;
    bool exportThrows = false;
    int exports = 0;
    QString name = "2026120909.pdf";
    QByteArray content = QByteArray("%PDF-1.4\n") + QByteArray(50000, 'x');

private:
    const testsupport::TempDir& m_dir;
};

bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    return done();
}

std::string targetOf(const QString& link) {
    return QUrl(link).path(QUrl::FullyEncoded).toStdString();
}

int portOf(const QString& link) {
    return QUrl(link).port();
}

class RoomShares : public ::testing::Test {
protected:
    std::unique_ptr<ShareController> controller(QStringList addresses, RoomSettings settings = {}) {
        return std::make_unique<ShareController>(
            m_host, CloudConfig("cloud.ostrely.example", "https://upload.example"),
            ShareMode::Room, settings, [addresses] { return addresses; });
    }
    bool share(ShareController& c) {
        return c.start() && waitUntil([&] { return !c.running(); });
    }
    testsupport::TempDir m_dir;
    RoomHost m_host{m_dir};
};

}  // namespace

TEST_F(RoomShares, TheLinkIsShownAndServesThePdfAndDownloadsAreCounted) {
    auto c = controller({"127.0.0.1", "127.0.0.2"});
    ASSERT_TRUE(share(*c));
    EXPECT_EQ(c->lastResult(), RoomShare::kServing);
    EXPECT_FALSE(m_host.view.offThread);
    EXPECT_TRUE(m_host.messages.isEmpty());
    const QString link = m_host.view.link;
    EXPECT_TRUE(link.startsWith("http://127.0.0.1:")) << link.toStdString();
    EXPECT_TRUE(link.endsWith("/2026120909.pdf"));
    EXPECT_EQ(m_host.view.linkText, link);
    EXPECT_EQ(m_host.view.addresses, QStringList({"127.0.0.1", "127.0.0.2"}));
    EXPECT_TRUE(m_host.view.status.startsWith("open until ")) << m_host.view.status.toStdString();
    EXPECT_TRUE(m_host.view.status.endsWith("0 downloads"));

    const auto got = rawGet(portOf(link), targetOf(link));
    EXPECT_EQ(got.status, 200);
    EXPECT_EQ(QByteArray::fromStdString(got.body), m_host.content);
    EXPECT_TRUE(waitUntil([&] { return m_host.view.status.endsWith("1 downloads"); }));
    EXPECT_FALSE(m_host.view.offThread);

    // The teacher picks the other address: same server, same token, new code and text.
    m_host.view.choose(1);
    EXPECT_EQ(m_host.view.link, QString(link).replace("127.0.0.1", "127.0.0.2"));
    EXPECT_EQ(m_host.view.linkText, m_host.view.link);
    m_host.view.choose(7);  // out of range: nothing changes
    EXPECT_EQ(c->room()->currentLink(), m_host.view.link);
}

TEST_F(RoomShares, EachShareHasItsOwnTokenAndTheLastLinkCloses) {
    auto c = controller({"127.0.0.1"});
    ASSERT_TRUE(share(*c));
    const QString first = m_host.view.link;
    ASSERT_TRUE(share(*c));
    const QString second = m_host.view.link;
    EXPECT_NE(targetOf(first), targetOf(second));
    EXPECT_EQ(rawGet(portOf(second), targetOf(second)).status, 200);
    if (portOf(first) == portOf(second))
        EXPECT_EQ(rawGet(portOf(first), targetOf(first)).status, 404);
    else
        EXPECT_TRUE(testsupport::connectionRefused(portOf(first)));
}

TEST_F(RoomShares, TheLinkClosesItsTimeAfterTheViewIsClosed) {
    RoomSettings s;
    s.linger = std::chrono::seconds(1);
    auto c = controller({"127.0.0.1"}, s);
    ASSERT_TRUE(share(*c));
    const QString link = m_host.view.link;
    // Shown longer than the linger: still open.
    waitUntil([] { return false; }, 1500);
    EXPECT_TRUE(c->room()->serving());
    m_host.view.shown = false;
    EXPECT_EQ(rawGet(portOf(link), targetOf(link)).status, 200);
    EXPECT_TRUE(waitUntil([&] { return !c->room()->serving(); }, 5000));
    EXPECT_TRUE(testsupport::connectionRefused(portOf(link)));
    EXPECT_TRUE(m_host.view.status.isEmpty());
}

TEST_F(RoomShares, EndingTheProgramClosesTheLink) {
    auto c = controller({"127.0.0.1"});
    ASSERT_TRUE(share(*c));
    const int port = portOf(m_host.view.link);
    c.reset();
    EXPECT_TRUE(testsupport::connectionRefused(port));
}

TEST_F(RoomShares, NoAddressOrNoPortSaysSoAndHidesTheView) {
    auto none = controller({});
    ASSERT_TRUE(share(*none));
    EXPECT_EQ(none->lastResult(), RoomShare::kNoNetwork);
    EXPECT_EQ(m_host.messages, QStringList({QString("text %1").arg(text::kRoomNoNetwork)}));
    EXPECT_FALSE(m_host.view.shown);
    EXPECT_FALSE(m_host.view.offThread);

    // The port the administrator chose is taken by another share.
    auto first = controller({"127.0.0.1"});
    ASSERT_TRUE(share(*first));
    RoomSettings s;
    s.port = portOf(m_host.view.link);
    auto busy = controller({"127.0.0.1"}, s);
    m_host.messages.clear();
    ASSERT_TRUE(share(*busy));
    EXPECT_EQ(busy->lastResult(), RoomShare::kPortUnavailable);
    EXPECT_EQ(m_host.messages, QStringList({QString("text %1").arg(text::kRoomPortUnavailable)}));
    EXPECT_FALSE(busy->room()->serving());
}

TEST_F(RoomShares, AFailedOrThrowingExportServesNothing) {
    auto c = controller({"127.0.0.1"});
    m_host.exportWorks = false;
    ASSERT_TRUE(share(*c));
    EXPECT_EQ(c->lastResult(), RoomShare::kExportFailed);
    EXPECT_TRUE(m_host.messages.isEmpty());
    EXPECT_TRUE(m_host.view.shown);  // open and blank, as a failed cloud share leaves it
    EXPECT_FALSE(c->room()->serving());

    m_host.exportWorks = true;
    m_host.exportThrows = true;
    ASSERT_TRUE(share(*c));
    EXPECT_EQ(c->lastResult(), RoomShare::kExportFailed);
    EXPECT_FALSE(c->room()->serving());
}

TEST_F(RoomShares, ALinkWithoutACodeIsNotLeftOpen) {
    auto c = controller({"127.0.0.1"});
    m_host.view.maxLink = 10;
    ASSERT_TRUE(share(*c));
    EXPECT_EQ(c->lastResult(), RoomShare::kNotServed);
    EXPECT_FALSE(c->room()->serving());
    EXPECT_EQ(m_host.messages.size(), 1);
    EXPECT_FALSE(m_host.view.shown);
}
