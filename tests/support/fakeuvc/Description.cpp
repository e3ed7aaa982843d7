#include "Description.h"

#include <linux/videodev2.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace fakeuvc {

namespace {

void copyText(char* to, size_t size, const char* from, size_t length) {
    if (length >= size) length = size - 1;
    std::memcpy(to, from, length);
    to[length] = '\0';
}

const char* skipSpace(const char* s) {
    while (*s == ' ' || *s == '\t') ++s;
    return s;
}

// "key: value" identity lines; true when the line was one.
bool identity(const char* line, Description& d) {
    struct Field {
        const char* key;
        char* to;
        size_t size;
    };
    const Field fields[] = {
        {"card:", d.card, sizeof d.card},
        {"manufacturer:", d.manufacturer, sizeof d.manufacturer},
        {"product:", d.product, sizeof d.product},
        {"serial:", d.serial, sizeof d.serial},
    };
    for (const Field& f : fields) {
        const size_t n = std::strlen(f.key);
        if (std::strncmp(line, f.key, n) == 0) {
            const char* v = skipSpace(line + n);
            copyText(f.to, f.size, v, std::strlen(v));
            return true;
        }
    }
    if (std::strncmp(line, "usb:", 4) == 0) {
        char v[8] = {}, p[8] = {}, r[8] = {};
        if (std::sscanf(line + 4, " %4[0-9a-fA-F] %4[0-9a-fA-F] %4[0-9a-fA-F]", v, p, r) < 2)
            return false;
        copyText(d.vendorId, sizeof d.vendorId, v, std::strlen(v));
        copyText(d.productId, sizeof d.productId, p, std::strlen(p));
        copyText(d.revision, sizeof d.revision, r[0] != '\0' ? r : "0100", 4);
        for (char* c : {d.vendorId, d.productId, d.revision})
            for (; *c != '\0'; ++c) *c = char(std::tolower(static_cast<unsigned char>(*c)));
        return true;
    }
    return false;
}

// "[0]: 'MJPG' (Motion-JPEG, compressed)"
bool formatLine(const char* line, Description& d) {
    char fourcc[5] = {};
    int consumed = 0;
    if (std::sscanf(line, "[%*d]: '%4c' %n", fourcc, &consumed) < 1 || consumed == 0) return false;
    if (d.formatCount == kMaxFormats) return true;
    Format& f = d.formats[d.formatCount++];
    f.fourcc = v4l2_fourcc(fourcc[0], fourcc[1], fourcc[2], fourcc[3]);
    const char* desc = line + consumed;
    if (*desc == '(') ++desc;
    size_t n = std::strlen(desc);
    if (n > 0 && desc[n - 1] == ')') --n;
    copyText(f.description, sizeof f.description, desc, n);
    return true;
}

bool sizeLine(const char* line, Description& d) {
    unsigned w = 0, h = 0;
    if (std::sscanf(line, "Size: Discrete %ux%u", &w, &h) != 2) return false;
    if (d.formatCount == 0) return true;
    Format& f = d.formats[d.formatCount - 1];
    if (f.sizeCount == kMaxSizes) return true;
    FrameSize& s = f.sizes[f.sizeCount++];
    s.width = w;
    s.height = h;
    return true;
}

uint32_t gcd(uint32_t a, uint32_t b) {
    while (b != 0) {
        const uint32_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

// "Interval: Discrete 0.033s (30.000 fps)"; a recorded "(0.000 fps)" stays as the absurd 1/0.
bool intervalLine(const char* line, Description& d) {
    if (std::strncmp(line, "Interval: Discrete", 18) != 0) return false;
    const char* open = std::strchr(line, '(');
    if (open == nullptr || d.formatCount == 0) return true;
    Format& f = d.formats[d.formatCount - 1];
    if (f.sizeCount == 0) return true;
    FrameSize& s = f.sizes[f.sizeCount - 1];
    if (s.intervalCount == kMaxIntervals) return true;
    const double fps = std::strtod(open + 1, nullptr);
    Interval iv{1000, uint32_t(fps * 1000 + 0.5)};
    if (const uint32_t g = gcd(iv.numerator, iv.denominator); g > 1) {
        iv.numerator /= g;
        iv.denominator /= g;
    }
    s.intervals[s.intervalCount++] = iv;
    return true;
}

uint32_t controlType(const char* name) {
    if (std::strcmp(name, "int") == 0) return V4L2_CTRL_TYPE_INTEGER;
    if (std::strcmp(name, "bool") == 0) return V4L2_CTRL_TYPE_BOOLEAN;
    if (std::strcmp(name, "menu") == 0) return V4L2_CTRL_TYPE_MENU;
    if (std::strcmp(name, "intmenu") == 0) return V4L2_CTRL_TYPE_INTEGER_MENU;
    if (std::strcmp(name, "button") == 0) return V4L2_CTRL_TYPE_BUTTON;
    return 0;
}

uint32_t flagBits(const char* list) {
    uint32_t bits = 0;
    if (std::strstr(list, "inactive") != nullptr) bits |= V4L2_CTRL_FLAG_INACTIVE;
    if (std::strstr(list, "read-only") != nullptr) bits |= V4L2_CTRL_FLAG_READ_ONLY;
    if (std::strstr(list, "write-only") != nullptr) bits |= V4L2_CTRL_FLAG_WRITE_ONLY;
    if (std::strstr(list, "volatile") != nullptr) bits |= V4L2_CTRL_FLAG_VOLATILE;
    if (std::strstr(list, "grabbed") != nullptr) bits |= V4L2_CTRL_FLAG_GRABBED;
    if (std::strstr(list, "disabled") != nullptr) bits |= V4L2_CTRL_FLAG_DISABLED;
    return bits;
}

// "brightness 0x00980900 (int) : min=-64 max=64 step=1 default=0 value=0 flags=inactive"
bool controlLine(const char* line, Description& d) {
    char name[kNameLength] = {};
    char type[16] = {};
    unsigned id = 0;
    int consumed = 0;
    if (std::sscanf(line, "%31s 0x%x (%15[^)]) : %n", name, &id, type, &consumed) < 3 ||
        consumed == 0)
        return false;
    if (d.controlCount == kMaxControls) return true;
    Control& c = d.controls[d.controlCount++];
    c.id = id;
    c.type = controlType(type);
    copyText(c.name, sizeof c.name, name, std::strlen(name));
    if (c.type == V4L2_CTRL_TYPE_BOOLEAN) c.maximum = 1;
    for (const char* p = line + consumed; *p != '\0';) {
        p = skipSpace(p);
        const char* end = p;
        while (*end != '\0' && *end != ' ' && *end != '\t') ++end;
        const auto value = [&](const char* key, int32_t& to) {
            const size_t n = std::strlen(key);
            if (std::strncmp(p, key, n) == 0) to = int32_t(std::strtol(p + n, nullptr, 10));
        };
        value("min=", c.minimum);
        value("max=", c.maximum);
        value("step=", c.step);
        value("default=", c.defaultValue);
        if (std::strncmp(p, "flags=", 6) == 0) c.flags = flagBits(p + 6);
        p = end;
    }
    return true;
}

// "1: Manual Mode" under a menu control.
bool menuLine(const char* line, Description& d) {
    int index = 0, consumed = 0;
    if (std::sscanf(line, "%d: %n", &index, &consumed) < 1 || consumed == 0) return false;
    if (d.controlCount == 0) return true;
    Control& c = d.controls[d.controlCount - 1];
    if (c.menuCount == kMaxMenu) return true;
    MenuItem& m = c.menu[c.menuCount++];
    m.index = index;
    copyText(m.name, sizeof m.name, line + consumed, std::strlen(line + consumed));
    return true;
}

void parseLine(const char* raw, Description& d) {
    char line[256];
    size_t n = std::strcspn(raw, "\r\n");
    copyText(line, sizeof line, raw, n);
    const char* s = skipSpace(line);
    if (*s == '#' || *s == '\0') return;
    if (identity(s, d) || formatLine(s, d) || sizeLine(s, d) || intervalLine(s, d) ||
        menuLine(s, d) || controlLine(s, d))
        return;
}

}  // namespace

const Control* Description::control(uint32_t id) const {
    for (int i = 0; i < controlCount; ++i)
        if (controls[i].id == id) return &controls[i];
    return nullptr;
}

bool parseDescription(const char* text, Description& out, char* error, size_t errorSize) {
    out = Description{};
    for (const char* line = text; line != nullptr && *line != '\0';) {
        parseLine(line, out);
        line = std::strchr(line, '\n');
        if (line != nullptr) ++line;
    }
    if (out.vendorId[0] == '\0' || out.formatCount == 0) {
        std::snprintf(error, errorSize, "a description needs a usb: line and at least one format");
        return false;
    }
    if (out.card[0] == '\0') copyText(out.card, sizeof out.card, out.product, sizeof out.card);
    return true;
}

bool readDescription(const char* path, Description& out, char* error, size_t errorSize) {
    FILE* f = std::fopen(path, "re");
    if (f == nullptr) {
        std::snprintf(error, errorSize, "cannot read %s", path);
        return false;
    }
    static char text[64 * 1024];  // only read while loading, which is serialised
    const size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    text[n] = '\0';
    if (!parseDescription(text, out, error, errorSize)) return false;
    return true;
}

}  // namespace fakeuvc
