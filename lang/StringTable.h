#pragma once
// The one symbol a language pack exports: its string table, sorted by id.
#include <cstdint>

extern "C" {

struct OstrelyStringEntry {
    int32_t id;
    int32_t length;        // UTF-16 code units, without the terminating zero
    const char16_t* text;  // zero-terminated
};

struct OstrelyStringTable {
    int32_t version;  // kOstrelyStringTableVersion
    int32_t count;
    const OstrelyStringEntry* entries;
};
}

inline constexpr int32_t kOstrelyStringTableVersion = 1;
inline constexpr const char* kOstrelyStringTableSymbol = "ostrely_string_table";
