// Qt is built without the thread sanitizer, and its locks are futexes the sanitizer cannot see.
// Every hand-over inside Qt (the end of a QThread, pixels drawn by Qt's image thread pool)
// therefore looks unsynchronised. The entries below name the accesses at those hand-overs (by their
// top frame where the stack also holds our own handlers), so races in our code are still reported.
extern "C" const char* __tsan_default_suppressions() {
    return
        // A QThread ending and being waited for.
        "race:QWaitCondition::~QWaitCondition\n"
        // Qt's thread pool and the copies Qt makes inside itself for it and for images.
        "race:QThreadPoolPrivate\n"
        "race:QThreadPoolThread\n"
        "race:QRunnable\n"
        "race:libglib-2.0.so\n"
        // The thread's dynamic TLS freed at its end, seen without that end (a QThread's futex).
        "race:_dl_deallocate_tls\n"
        "called_from_lib:libQt6Core.so.6\n"
        "called_from_lib:libQt6Gui.so.6\n";
}
