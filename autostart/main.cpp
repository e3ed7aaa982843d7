// Autovell: writes or removes Ostrely's autostart entry.
//   Autovell open "<value data>"   exit 1 when the entry was written, 0 otherwise
//   Autovell close                 exit 0, or 1 when the entry is still there
// Anything else changes nothing and exits 0. Nothing is ever printed.
#include "platform/AutostartEntry.h"

#include <cstring>

namespace {

constexpr const char* kEntryName = "Ostrely";

int open(const char* valueData) {
    const QString value = QString::fromLocal8Bit(valueData);
    if (value.trimmed().isEmpty()) return 0;  // nothing to start: the old entry stays
    const platform::AutostartEntry entry(kEntryName);
    if (!entry.makeFolder()) return 0;
    // Replaced in one step, so a failed write leaves the old entry rather than none. Exit 1 only
    // for an entry that is really there: the caller records autostart as on.
    return entry.write(value) ? 1 : 0;
}

int close() {
    const platform::AutostartEntry entry(kEntryName);
    if (entry.folderExists()) entry.remove();
    // The caller reads 1 as "still on": an entry that could not go still starts the program.
    return entry.present() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "open") == 0) return open(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0) return close();
    return 0;
}
