#pragma once
// One loaded language pack: a shared library that holds only a string table.
#include "platform/UniqueFd.h"

#include <QString>

struct OstrelyStringTable;

class LanguagePack {
public:
    LanguagePack() = default;
    ~LanguagePack();
    LanguagePack(const LanguagePack&) = delete;
    LanguagePack& operator=(const LanguagePack&) = delete;

    // Loads the pack at path in place of the current one. On failure returns false, leaves no
    // pack loaded and gives an error number (errno style) in error. Only a complete shared
    // library of this machine is loaded: a truncated copy or a FIFO is refused, never mapped.
    bool load(const QString& path, int& error);
    void unload();
    // Whether load would try the file at all (the same checks, nothing loaded).
    static bool isLoadable(const QString& path, int& error);
    bool isLoaded() const { return m_table != nullptr; }

    // The text of id, cut to maxUnits UTF-16 units; empty for an unknown id or no pack.
    QString text(int id, int maxUnits) const;

private:
    void* m_handle = nullptr;
    const OstrelyStringTable* m_table = nullptr;
    // The pack is loaded under the name /proc/self/fd/N: N stays this pack's while it is loaded,
    // or whatever opens the module by its name later (a debugger, a sanitizer's symbolizer, a
    // crash tool) reads the file that took the number instead.
    platform::UniqueFd m_file;
};
