// Qt is built without the thread sanitizer, and its locks are futexes the sanitizer cannot see.
// Every hand-over through Qt (a blocking queued call, the end of a QThread, pixels drawn by Qt's
// image thread pool) therefore looks unsynchronised. The entries below name the accesses at
// those hand-overs (by their top frame where the stack also holds our own handlers), so races
// in our code are still reported.
extern "C" const char* __tsan_default_suppressions() {
    return
        // The blocking queued call of platform::sendMessage: the message built on the worker,
        // its arguments and Qt's call object read on the receiving thread.
        "race_top:platform::Message::Message\n"
        "race_top:QEvent::type\n"
        "race_top:platform/Message.cpp\n"
        "race_top:qobjectdefs_impl.h\n"
        "race:QMetaObject::invokeMethodImpl\n"
        "race:qobjectdefs.h\n"
        // A QThread ending and being waited for.
        "race:QWaitCondition::~QWaitCondition\n"
        // Qt's thread pool and the copies Qt makes inside itself for it and for images.
        "race:QThreadPoolPrivate\n"
        "race:QThreadPoolThread\n"
        "race:QRunnable\n"
        "race:libglib-2.0.so\n"
        "called_from_lib:libQt6Core.so.6\n"
        "called_from_lib:libQt6Gui.so.6\n";
}
