#pragma once
// Runs the picture list's exports on a worker thread, one at a time, so the window keeps
// drawing and answering for however long an export takes. Progress and the result come back on
// the thread the runner lives on (the user-interface thread). What the work reaches must outlive
// the runner, or stop() must be called first.
#include "pictures/PdfExport.h"
#include "platform/CallSink.h"
#include "platform/WorkerThread.h"

#include <functional>
#include <mutex>
#include <optional>

namespace pictures {

class ExportRunner {
public:
    struct Result {
        bool saved = false;
        int leftOut = 0;
    };
    // Runs on the worker; progress hands each step back.
    using Work = std::function<Result(const PdfExport::Progress& progress)>;
    // Run on the runner's thread.
    using Progress = PdfExport::Progress;
    using Done = std::function<void(const Result&)>;

    ExportRunner();
    ~ExportRunner();
    ExportRunner(const ExportRunner&) = delete;
    ExportRunner& operator=(const ExportRunner&) = delete;

    // Starts work. False while an earlier export's result has not been handed back. Work that
    // throws ends as an export that saved nothing.
    bool start(Work work, Progress progress, Done done);
    // From start until done has run.
    bool running() const { return m_running; }
    // Returns once the running export's result has been handed back, at once when none runs.
    // The thread's events are delivered meanwhile (windows redraw, messages arrive), its user
    // input only afterwards.
    void wait();
    // Nothing more is handed back; waits for a running export to end. Its result, when done
    // has not had it (the program ends under an export).
    std::optional<Result> stop();

private:
    void handBack(const Result& result, const Done& done);

    // Declared before the thread: it is joined first, and what it posts to goes after it.
    platform::CallSink m_ui;
    bool m_running = false;  // the runner's thread only
    std::mutex m_lock;
    std::optional<Result> m_unreported;  // a finished export's result until done has it
    platform::WorkerThread m_thread;
};

}  // namespace pictures
