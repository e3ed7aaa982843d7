#pragma once
// The technician's log: one category per area, and one way to report a failure with its cause.
// Failures are warnings and always reach standard error (the session's log when started from
// the desktop); OSTRELY_DEBUG=1 adds the areas' debug lines. QT_LOGGING_RULES works as usual.
#include <QLoggingCategory>
#include <QString>

namespace platform::log {

const QLoggingCategory& camera();
const QLoggingCategory& board();
const QLoggingCategory& share();
const QLoggingCategory& settings();
const QLoggingCategory& shell();

// "what: cause" on the area's category; the cause is strerror(err), none when err is 0.
void failure(const QLoggingCategory& area, const QString& what, int err);
void failure(const QLoggingCategory& area, const QString& what, const QString& cause);

// Turns the areas' debug lines on when OSTRELY_DEBUG is set to anything but 0; once, at start.
void applyEnvironment();

}  // namespace platform::log
