// Qt is built without the thread sanitizer, and its locks are futexes the sanitizer cannot see.
// Every hand-over through Qt (an event posted to another thread, a blocking queued call, the
// end of a QThread, pixels drawn by Qt's image thread pool) therefore looks unsynchronised.
// These entries name only Qt's hand-over points, so races in our own code are still reported.
extern "C" const char* __tsan_default_suppressions() {
    return "race:QMetaObject::invokeMethodImpl\n"
           "race:QCoreApplicationPrivate::sendPostedEvents\n"
           "race:QCoreApplication::postEvent\n"
           "race:platform::sendMessage\n"
           "race:QWaitCondition::~QWaitCondition\n"
           "race:QThreadPoolPrivate\n"
           "race:QThreadPoolThread\n"
           "race:qobjectdefs_impl.h\n"
           "race:libglib-2.0.so\n"
           "race:QRunnable\n"
           // Copies Qt makes inside itself, for its thread pool and its images.
           "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n";
}
