#include "platform/Message.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

constexpr unsigned kMsg = 0x5221;

class Receiver : public QObject {
public:
    bool event(QEvent* e) override {
        if (auto* m = const_cast<platform::Message*>(platform::asMessage(e, kMsg))) {
            ++count;
            lastW = m->wParam;
            handledOn = QThread::currentThread();
            m->result = static_cast<qintptr>(m->wParam) + m->lParam;
            return true;
        }
        return QObject::event(e);
    }
    int count = 0;
    quintptr lastW = 0;
    QThread* handledOn = nullptr;
};

}  // namespace

TEST(Message, PostedArrivesThroughTheEventLoopAndSentFromAnotherThreadBlocksForTheResult) {
    Receiver r;

    platform::postMessage(&r, kMsg, 7, 0);
    EXPECT_EQ(r.count, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.lastW, 7u);

    EXPECT_EQ(platform::sendMessage(&r, kMsg, 2, 3), 5);
    EXPECT_EQ(r.count, 2);

    qintptr fromWorker = -1;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        fromWorker = platform::sendMessage(&r, kMsg, 40, 2);
        finished = true;
    });
    while (!finished) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_EQ(fromWorker, 42);
    EXPECT_EQ(r.handledOn, qApp->thread());
    EXPECT_EQ(r.count, 3);
}
