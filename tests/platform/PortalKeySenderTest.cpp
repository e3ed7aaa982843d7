#include "platform/PortalKeySender.h"

#include "platform/FrontKeys.h"

#include "tests/platform/dbus/FakePortal.h"
#include "tests/platform/dbus/PrivateBus.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QUuid>

#include <sys/stat.h>

#include <memory>

using platform::PortalKeySender;
using platform::RestoreTokenStore;
using testsupport::FakePortal;
using State = PortalKeySender::State;

namespace {

constexpr quint32 kPageDown = 0xff56;
constexpr quint32 kPageUp = 0xff55;

bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Gives the bus time to carry anything still under way, for checks that something did not come.
void settle() {
    waitFor([] { return false; }, 200);
}

QString fileText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("<none>");
    return QString::fromLatin1(f.readAll()).trimmed();
}

struct Failure {
    QString cause;
    int lost;
};

class PortalKeys : public ::testing::Test {
protected:
    void SetUp() override {
        if (m_bus.address().isEmpty()) GTEST_SKIP() << "dbus-daemon cannot be started here";
    }
    void TearDown() override {
        m_sender.reset();
        if (!m_connection.isEmpty()) QDBusConnection::disconnectFromBus(m_connection);
    }

    std::unique_ptr<FakePortal> portal(FakePortal::Behaviour b = {}) {
        auto p = std::make_unique<FakePortal>(m_bus.address(), std::move(b));
        EXPECT_TRUE(p->up());
        return p;
    }
    // The program's side: a connection of its own to the private bus.
    QDBusConnection connection() {
        if (m_connection.isEmpty()) {
            m_connection = "client-" + QUuid::createUuid().toString(QUuid::Id128);
            QDBusConnection::connectToBus(m_bus.address(), m_connection);
        }
        return QDBusConnection(m_connection);
    }
    PortalKeySender& sender() {
        m_sender = std::make_unique<PortalKeySender>(
            connection(), RestoreTokenStore(tokenPath()),
            [this](const QString& cause, int lost) { m_failures.push_back({cause, lost}); });
        return *m_sender;
    }
    QString tokenPath() const { return m_dir.file("Ostrely/portal-restore-token"); }
    bool ready() { return waitFor([this] { return m_sender->state() == State::Ready; }); }

    testsupport::PrivateBus m_bus;
    testsupport::TempDir m_dir;
    QString m_connection;
    std::unique_ptr<PortalKeySender> m_sender;
    std::vector<Failure> m_failures;
};

}  // namespace

TEST_F(PortalKeys, AsksForAKeptKeyboardSessionInOrderAndSendsEachKeyAsPressAndRelease) {
    FakePortal::Behaviour b;
    b.restoreToken = "token-one";
    auto fake = portal(b);
    PortalKeySender& keys = sender();
    // Pressed before anything was asked: waits for the session.
    keys.send(kPageDown);
    keys.send(kPageUp);
    EXPECT_EQ(keys.queued(), 2);
    ASSERT_TRUE(ready());
    ASSERT_TRUE(waitFor([&] { return fake->calls().size() >= 7; }));
    EXPECT_EQ(fake->calls(), QStringList({"CreateSession", "SelectDevices", "Start", "Key ff56 1",
                                          "Key ff56 0", "Key ff55 1", "Key ff55 0"}));

    const QVariantMap create = fake->optionsOf("CreateSession");
    EXPECT_FALSE(create.value("handle_token").toString().isEmpty());
    EXPECT_FALSE(create.value("session_handle_token").toString().isEmpty());
    const QVariantMap select = fake->optionsOf("SelectDevices");
    EXPECT_EQ(select.value("types").metaType(), QMetaType::fromType<uint>());
    EXPECT_EQ(select.value("types").toUInt(), 1u);  // the keyboard alone
    EXPECT_EQ(select.value("persist_mode").metaType(), QMetaType::fromType<uint>());
    EXPECT_EQ(select.value("persist_mode").toUInt(), 2u);  // until the teacher revokes it
    EXPECT_FALSE(select.contains("restore_token"));  // none kept yet
    EXPECT_NE(select.value("handle_token"), create.value("handle_token"));
    EXPECT_TRUE(fake->parentWindow().isEmpty());
    EXPECT_FALSE(fake->optionsOf("Start").value("handle_token").toString().isEmpty());

    EXPECT_EQ(fileText(tokenPath()), "token-one");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(tokenPath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u) << "the token lets a program type: this user's alone";
    EXPECT_TRUE(m_failures.empty());

    m_sender.reset();
    ASSERT_TRUE(waitFor([&] { return fake->calls().endsWith("Close"); }))
        << "the session ends with the program";
}

TEST_F(PortalKeys, TheKeptTokenIsHandedInAtTheNextStartAndReplacedByTheNewOne) {
    {
        FakePortal::Behaviour b;
        b.restoreToken = "first";
        auto fake = portal(b);
        sender().start();
        ASSERT_TRUE(ready());
        m_sender.reset();
    }
    FakePortal::Behaviour b;
    b.restoreToken = "second";
    b.sessionHandleAsString = true;  // as older portals answer it
    auto fake = portal(b);
    PortalKeySender& keys = sender();
    keys.start();
    ASSERT_TRUE(ready());
    EXPECT_EQ(fake->optionsOf("SelectDevices").value("restore_token").toString(), "first");
    EXPECT_EQ(fileText(tokenPath()), "second");
    keys.send(kPageUp);
    EXPECT_TRUE(waitFor([&] { return fake->calls().contains("Key ff55 0"); }));

    // A session granted without a new token: the used one is gone, not handed in again.
    m_sender.reset();
    fake.reset();
    auto third = portal();
    sender().start();
    ASSERT_TRUE(ready());
    EXPECT_EQ(third->optionsOf("SelectDevices").value("restore_token").toString(), "second");
    EXPECT_FALSE(QFile::exists(tokenPath()));
}

TEST_F(PortalKeys, ADeclinedStartLosesTheWaitingKeysAndIsNotAskedAgain) {
    FakePortal::Behaviour b;
    b.startResponse = 1;
    auto fake = portal(b);
    QFile::remove(tokenPath());
    RestoreTokenStore(tokenPath()).save("stale");
    PortalKeySender& keys = sender();
    keys.send(kPageDown);
    keys.send(kPageDown);
    ASSERT_TRUE(waitFor([&] { return keys.state() == State::Refused; }));
    ASSERT_EQ(m_failures.size(), 1u);
    EXPECT_EQ(m_failures[0].lost, 2);
    EXPECT_TRUE(m_failures[0].cause.contains("declined")) << m_failures[0].cause.toStdString();
    EXPECT_FALSE(QFile::exists(tokenPath())) << "the handed-in token is used up";

    keys.send(kPageUp);
    keys.start();
    settle();
    ASSERT_EQ(m_failures.size(), 2u);
    EXPECT_EQ(m_failures[1].lost, 1);
    EXPECT_EQ(fake->calls().count("CreateSession"), 1) << "the teacher is not asked again";
    EXPECT_FALSE(fake->calls().join(' ').contains("Key"));
}

TEST_F(PortalKeys, ASessionWithoutTheKeyboardOrAPortalWithoutOneSendsNothing) {
    {
        FakePortal::Behaviour b;
        b.grantedDevices = 2;  // the pointer only
        auto fake = portal(b);
        PortalKeySender& keys = sender();
        keys.send(kPageDown);
        ASSERT_TRUE(waitFor([&] { return keys.state() == State::Refused; }));
        EXPECT_EQ(m_failures.back().lost, 1);
        m_sender.reset();
    }
    FakePortal::Behaviour b;
    b.deviceTypes = 2;
    auto fake = portal(b);
    PortalKeySender& keys = sender();
    keys.send(kPageDown);
    ASSERT_TRUE(waitFor([&] { return keys.state() == State::Unavailable; }));
    EXPECT_TRUE(m_failures.back().cause.contains("no keyboard"));
    EXPECT_TRUE(fake->calls().isEmpty()) << "no session is asked of a portal without a keyboard";
}

TEST_F(PortalKeys, WithoutAPortalEveryKeyIsReportedLostAndAPortalThatComesLaterIsUsed) {
    PortalKeySender& keys = sender();
    keys.start();
    ASSERT_TRUE(waitFor([&] { return keys.state() == State::Unavailable; }));
    ASSERT_EQ(m_failures.size(), 1u);
    EXPECT_EQ(m_failures[0].lost, 0) << "no key was pressed yet";
    EXPECT_TRUE(m_failures[0].cause.contains("no remote-desktop portal"));
    keys.send(kPageDown);
    ASSERT_TRUE(waitFor([&] { return m_failures.size() == 2u; }));
    EXPECT_EQ(m_failures[1].lost, 1);

    auto fake = portal();
    keys.send(kPageUp);
    ASSERT_TRUE(ready());
    EXPECT_TRUE(waitFor([&] { return fake->calls().contains("Key ff55 0"); }));
}

TEST_F(PortalKeys, APortalThatVanishesLosesItsSessionAndOneThatReturnsRestoresIt) {
    FakePortal::Behaviour b;
    b.restoreToken = "kept";
    auto fake = portal(b);
    PortalKeySender& keys = sender();
    keys.start();
    ASSERT_TRUE(ready());
    fake->vanish();
    ASSERT_TRUE(waitFor([&] { return keys.state() == State::Lost; }));
    ASSERT_EQ(m_failures.size(), 1u);
    EXPECT_EQ(m_failures[0].lost, 0);
    EXPECT_TRUE(m_failures[0].cause.contains("left the session bus"));

    FakePortal::Behaviour again;
    again.restoreToken = "renewed";
    auto back = portal(again);
    keys.send(kPageDown);
    ASSERT_TRUE(ready());
    EXPECT_EQ(back->optionsOf("SelectDevices").value("restore_token").toString(), "kept");
    EXPECT_TRUE(waitFor([&] { return back->calls().contains("Key ff56 0"); }))
        << "the key pressed while the session was gone follows once it is back";
}

TEST_F(PortalKeys, APortalThatVanishesWhileAskingTheTeacherLosesTheWaitingKeys) {
    FakePortal::Behaviour b;
    b.holdStart = true;
    auto fake = portal(b);
    PortalKeySender& keys = sender();
    keys.send(kPageDown);
    keys.send(kPageUp);
    ASSERT_TRUE(waitFor([&] { return fake->calls().contains("Start"); }));
    fake->vanish();
    ASSERT_TRUE(waitFor([&] { return !m_failures.empty(); }));
    EXPECT_EQ(keys.state(), State::Lost);
    EXPECT_EQ(m_failures[0].lost, 2);
    EXPECT_EQ(keys.queued(), 0);
}

TEST_F(PortalKeys, AtMostAFewKeysWaitForTheSessionAndTheRestAreDroppedWithALogLine) {
    FakePortal::Behaviour b;
    b.holdStart = true;
    auto fake = portal(b);
    testsupport::LogCapture log;
    PortalKeySender& keys = sender();
    for (int i = 0; i < PortalKeySender::kQueueLimit + 2; ++i) keys.send(kPageDown + (i % 2));
    EXPECT_EQ(keys.queued(), PortalKeySender::kQueueLimit);
    EXPECT_EQ(log.matching("ostrely.shell", {"dropped", "wait"}).size(), 2);
    ASSERT_TRUE(waitFor([&] { return fake->calls().contains("Start"); }));
    fake->answerStart();
    ASSERT_TRUE(ready());
    ASSERT_TRUE(waitFor([&] { return fake->calls().size() == 3 + 2 * PortalKeySender::kQueueLimit; }));
    EXPECT_EQ(fake->calls().mid(3, 4), QStringList({"Key ff56 1", "Key ff56 0", "Key ff57 1", "Key ff57 0"}))
        << "in the order pressed";
}

TEST_F(PortalKeys, ASessionTheDesktopClosesOrAKeyItRefusesIsReportedAndAskedForAgain) {
    FakePortal::Behaviour b;
    b.refuseKeys = true;
    auto fake = portal(b);
    PortalKeySender& keys = sender();
    keys.send(kPageDown);
    ASSERT_TRUE(waitFor([&] { return keys.state() == State::Lost; }));
    ASSERT_FALSE(m_failures.empty());
    EXPECT_GE(m_failures[0].lost, 1);
    EXPECT_TRUE(m_failures[0].cause.contains("AccessDenied"));
    m_sender.reset();
    m_failures.clear();

    fake.reset();
    auto good = portal();
    PortalKeySender& again = sender();
    again.start();
    ASSERT_TRUE(ready());
    good->closeSession();
    ASSERT_TRUE(waitFor([&] { return again.state() == State::Lost; }));
    EXPECT_TRUE(m_failures.back().cause.contains("closed"));
    again.send(kPageUp);
    ASSERT_TRUE(ready());
    EXPECT_EQ(good->calls().count("CreateSession"), 2);
}

TEST_F(PortalKeys, APortalThatChoosesItsOwnRequestPathsIsFollowedThere) {
    FakePortal::Behaviour b;
    b.ownRequestPaths = true;
    auto fake = portal(b);
    PortalKeySender& keys = sender();
    keys.send(kPageDown);
    ASSERT_TRUE(ready());
    EXPECT_TRUE(waitFor([&] { return fake->calls().contains("Key ff56 0"); }));
}

TEST_F(PortalKeys, OnNativeWaylandTheBoardKeysTypeThroughThePortalWithoutANotice) {
    auto fake = portal();
    int told = 0;
    platform::FrontKeys::Setup setup;
    setup.route = platform::FrontKeys::routeFor("wayland");
    setup.bus = connection();
    setup.tokenPath = tokenPath();
    platform::FrontKeys keys(setup, [&] { ++told; });
    keys.prepare();
    ASSERT_TRUE(waitFor([&] { return keys.portal()->state() == State::Ready; }))
        << "the session is asked for at start, before any key";
    using Key = platform::KeySender::Key;
    for (Key k : {Key::PageDown, Key::PageUp, Key::KeypadMinus, Key::KeypadPlus}) keys.send(k);
    ASSERT_TRUE(waitFor([&] { return fake->calls().size() == 11; }));
    EXPECT_EQ(fake->calls().mid(3),
              QStringList({"Key ff56 1", "Key ff56 0", "Key ff55 1", "Key ff55 0", "Key ffad 1",
                           "Key ffad 0", "Key ffab 1", "Key ffab 0"}));
    EXPECT_EQ(told, 0);
}

TEST(PortalRequestPath, NamesTheSenderAsThePortalDoes) {
    EXPECT_EQ(PortalKeySender::requestPath(":1.42", "tok"),
              "/org/freedesktop/portal/desktop/request/1_42/tok");
    EXPECT_EQ(PortalKeySender::requestPath(":12.3.7", "a_b"),
              "/org/freedesktop/portal/desktop/request/12_3_7/a_b");
}
