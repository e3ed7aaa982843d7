#pragma once
// What a test asks of the preloaded fake camera library. The functions live in the preloaded
// library only: a test finds them with find() and skips itself when they are not there.
#include <dlfcn.h>

extern "C" {
// Loads a script (see README) and starts its clock; 0 when it was read. An empty path stops
// every fake device (their descriptors then fail with ENODEV) and lets the real ones through.
int fakeuvc_load(const char* scriptPath);
// Unplugs the camera at node now, as the script's "unplug" would.
void fakeuvc_unplug(const char* node);
// A count about the camera at node: "streamons", "streaming", "frames", "opens", "open_fds",
// "dropped", "mapped"; -1 for an unknown node or name.
long fakeuvc_stat(const char* node, const char* what);
}

namespace fakeuvc {

struct Client {
    int (*load)(const char*) = nullptr;
    void (*unplug)(const char*) = nullptr;
    long (*stat)(const char*, const char*) = nullptr;

    bool present() const { return load != nullptr && unplug != nullptr && stat != nullptr; }

    static Client find() {
        Client c;
        c.load = reinterpret_cast<int (*)(const char*)>(dlsym(RTLD_DEFAULT, "fakeuvc_load"));
        c.unplug = reinterpret_cast<void (*)(const char*)>(dlsym(RTLD_DEFAULT, "fakeuvc_unplug"));
        c.stat = reinterpret_cast<long (*)(const char*, const char*)>(
            dlsym(RTLD_DEFAULT, "fakeuvc_stat"));
        return c;
    }
};

}  // namespace fakeuvc
