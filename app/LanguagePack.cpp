#include "LanguagePack.h"

#include "lang/StringTable.h"
#include "platform/Log.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

constexpr int32_t kMaxEntries = 65536;

// A pack is data only; still, check its table before trusting its pointers and order.
bool isValidTable(const OstrelyStringTable* t) {
    if (t == nullptr || t->version != kOstrelyStringTableVersion || t->count < 0 ||
        t->count > kMaxEntries || (t->count > 0 && t->entries == nullptr))
        return false;
    for (int32_t i = 0; i < t->count; ++i) {
        const OstrelyStringEntry& e = t->entries[i];
        if (e.text == nullptr || e.length < 0) return false;
        if (i > 0 && t->entries[i - 1].id >= e.id) return false;
    }
    return true;
}

int loadErrorNumber(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.exists()) return ENOENT;
    if (!fi.isReadable()) return EACCES;
    return ENOEXEC;
}

}  // namespace

LanguagePack::~LanguagePack() {
    unload();
}

bool LanguagePack::load(const QString& path, int& error) {
    unload();
    void* handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = loadErrorNumber(path);
        platform::log::failure(platform::log::settings(),
                               QStringLiteral("language pack %1 not loaded").arg(path),
                               QString::fromLocal8Bit(::dlerror()));
        return false;
    }
    const auto* table =
        static_cast<const OstrelyStringTable*>(::dlsym(handle, kOstrelyStringTableSymbol));
    if (!isValidTable(table)) {
        ::dlclose(handle);
        platform::log::failure(platform::log::settings(),
                               QStringLiteral("language pack %1 not loaded").arg(path),
                               QStringLiteral("no valid string table"));
        error = ENOEXEC;
        return false;
    }
    m_handle = handle;
    m_table = table;
    return true;
}

void LanguagePack::unload() {
    m_table = nullptr;
    if (m_handle != nullptr) ::dlclose(m_handle);
    m_handle = nullptr;
}

QString LanguagePack::text(int id, int maxUnits) const {
    if (m_table == nullptr || maxUnits <= 0) return {};
    const OstrelyStringEntry* begin = m_table->entries;
    const OstrelyStringEntry* end = begin + m_table->count;
    const auto* it = std::lower_bound(begin, end, id,
                                      [](const OstrelyStringEntry& e, int v) { return e.id < v; });
    if (it == end || it->id != id) return {};
    return QString::fromUtf16(it->text, std::min(it->length, maxUnits));
}
