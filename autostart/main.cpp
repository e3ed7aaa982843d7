// Autovell: writes or removes Ostrely's autostart entry.
//   Autovell open "<value data>"   exit 1 when the entry was written, 0 otherwise
//   Autovell close                 exit 0
// Anything else changes nothing and exits 0. Nothing is ever printed.
#include "platform/AutostartEntry.h"

#include <cstring>

namespace {

constexpr const char* kEntryName = "Ostrely";

int open(const char* valueData) {
    const platform::AutostartEntry entry(kEntryName);
    if (!entry.makeFolder()) return 0;
    if (entry.read()) entry.remove();
    // Exit 1 only for an entry that is really there: the caller records autostart as on.
    return entry.write(QString::fromLocal8Bit(valueData)) ? 1 : 0;
}

int close() {
    const platform::AutostartEntry entry(kEntryName);
    if (entry.folderExists()) entry.remove();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "open") == 0) return open(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0) return close();
    return 0;
}
