// Turns a translator's "id = text" table into the C++ source of a language pack.
// Usage: mkstrtab INPUT.strings OUTPUT.cpp
//        mkstrtab --ids INPUT.strings OUTPUT.h   (the named ids of a table that names them)
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

bool fail(const std::string& where, const std::string& what) {
    std::cerr << where << ": " << what << '\n';
    return false;
}

bool unescape(const std::string& in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (++i == in.size()) return false;
        switch (in[i]) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case '\\': out += '\\'; break;
            default: return false;
        }
    }
    return true;
}

// UTF-8 to UTF-16 code units; false on a malformed sequence.
bool toUtf16(const std::string& s, std::u16string& out) {
    out.clear();
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int extra = c < 0x80         ? 0
                          : (c >> 5) == 6  ? 1
                          : (c >> 4) == 14 ? 2
                          : (c >> 3) == 30 ? 3
                                           : -1;
        if (extra < 0 || i + extra >= s.size() + (extra == 0 ? 1 : 0)) return false;
        uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc >> 6) != 2) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        i += extra + 1;
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return true;
}

std::string trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

bool validName(const std::string& name) {
    if (name.empty() || !std::isupper(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

// names: id -> name for lines that give one ("id Name = text").
bool readTable(const char* path, std::map<int, std::u16string>& table,
               std::map<int, std::string>* names = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(path, "cannot open");
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        const std::string where = std::string(path) + ':' + std::to_string(n);
        if (n == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        const std::string t = trim(line);
        if (t.empty() || t[0] == '#') continue;
        const size_t eq = t.find('=');
        if (eq == std::string::npos) return fail(where, "expected \"id = text\"");
        std::string idText = trim(t.substr(0, eq));
        std::string name;
        if (const size_t blank = idText.find_first_of(" \t"); blank != std::string::npos) {
            name = trim(idText.substr(blank));
            idText = idText.substr(0, blank);
            if (!validName(name)) return fail(where, "a name is a capitalised word: " + name);
        }
        if (idText.empty() || idText.find_first_not_of("0123456789") != std::string::npos ||
            idText.size() > 9)
            return fail(where, "the id must be a number");
        const int id = std::stoi(idText);
        std::string text;
        std::u16string wide;
        if (!unescape(trim(t.substr(eq + 1)), text)) return fail(where, "bad escape");
        if (!toUtf16(text, wide)) return fail(where, "the text is not UTF-8");
        if (!table.emplace(id, wide).second) return fail(where, "id " + idText + " given twice");
        if (names && !name.empty()) {
            for (const auto& [other, otherName] : *names)
                if (otherName == name) return fail(where, "name " + name + " given twice");
            (*names)[id] = name;
        }
    }
    return true;
}

bool writeIds(const char* path, const std::map<int, std::u16string>& table,
              const std::map<int, std::string>& names) {
    std::ostringstream o;
    o << "#pragma once\n// Generated from the string table that names its ids; edit that "
         "instead.\n\nnamespace text {\n\n";
    for (const auto& [id, unused] : table) {
        const auto n = names.find(id);
        if (n == names.end()) return fail(path, "id " + std::to_string(id) + " has no name");
        o << "inline constexpr int k" << n->second << " = " << id << ";\n";
    }
    o << "\n}  // namespace text\n";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << o.str();
    return static_cast<bool>(out) || fail(path, "cannot write");
}

bool writeSource(const char* path, const std::map<int, std::u16string>& table) {
    std::ostringstream o;
    o << "// Generated from a .strings table; edit that instead.\n#include "
         "\"lang/StringTable.h\"\n\n"
         "namespace {\n";
    for (const auto& [id, text] : table) {
        o << "const char16_t s" << id << "[] = {";
        for (char16_t u : text)
            o << "0x" << std::hex << static_cast<unsigned>(u) << std::dec << ", ";
        o << "0};\n";
    }
    o << "const OstrelyStringEntry entries[] = {\n";
    for (const auto& [id, text] : table)
        o << "    {" << id << ", " << text.size() << ", s" << id << "},\n";
    o << "};\n}  // namespace\n\nextern \"C\" __attribute__((visibility(\"default\"))) const "
         "OstrelyStringTable "
         "ostrely_string_table = {kOstrelyStringTableVersion, "
      << table.size() << ", entries};\n";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << o.str();
    return static_cast<bool>(out) || fail(path, "cannot write");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--ids") {
        std::map<int, std::u16string> table;
        std::map<int, std::string> names;
        if (!readTable(argv[2], table, &names)) return 1;
        return writeIds(argv[3], table, names) ? 0 : 1;
    }
    if (argc != 3) {
        std::cerr << "usage: mkstrtab INPUT.strings OUTPUT.cpp\n"
                     "       mkstrtab --ids INPUT.strings OUTPUT.h\n";
        return 2;
    }
    std::map<int, std::u16string> table;
    if (!readTable(argv[1], table)) return 1;
    return writeSource(argv[2], table) ? 0 : 1;
}
