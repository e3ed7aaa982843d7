#pragma once
// One capture, run on its own thread: the SDK's corrected snapshot (one camera, or both side by
// side), stored as the next picture with its thumbnail, then the picture-ready message.
#include "camera/PictureStore.h"
#include "camera/sdk/CameraSdk.h"

#include <QImage>
#include <QObject>

#include <atomic>

namespace camera {

// What the worker needs, copied when the capture is asked for, so the worker shares no state
// with the user-interface thread but the SDK and the counter.
struct CaptureJob {
    long number = 0;
    int tag = 0;
    bool dual = false;       // both cameras side by side
    bool viewShown = false;  // the user interface is up; a hidden one gets no live view started
    sdk::Handle first = 0;
    sdk::Handle second = 0;
    sdk::Handle current = 0;
    PictureStore store;
    QObject* receiver = nullptr;
};

class CaptureWorker {
public:
    // Picture number of the message when nothing was stored: the capture is over all the same.
    static constexpr long kNoPicture = 0;

    // sdk may be null (never started): the capture then fails and says so.
    // busy is set while the capture runs; the worker clears it before its message, so the
    // receiver may start the next capture from its handler.
    CaptureWorker(sdk::CameraSdk* sdk, CaptureJob job, std::atomic<int>& counter,
                  std::atomic<bool>& busy)
        : m_sdk(sdk), m_job(std::move(job)), m_counter(counter), m_busy(busy) {}

    void run();
    // After run() threw: the capture ends as a failed one does, with picture 0 reported.
    void endAfterError();

private:
    QImage captureOne();
    QImage captureTwo();
    // The corrected snapshot of h into target; sized: target has the corrected size.
    bool snap(sdk::Handle h, QImage& target, bool sized, bool startView);
    bool store(const QImage& picture);
    void report(long number);

    sdk::CameraSdk* m_sdk;
    CaptureJob m_job;
    std::atomic<int>& m_counter;
    std::atomic<bool>& m_busy;
};

}  // namespace camera
