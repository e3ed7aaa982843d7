// The libudev calls by which the program finds video devices and hears of them coming and going.
// While a script runs, the video4linux subsystem holds the fake cameras only, and udev monitors
// hear the script's events only; other enumerations go to the real libudev.
#include "World.h"

#include <dlfcn.h>
#include <libudev.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstring>

using fakeuvc::DeviceKind;
using fakeuvc::FakeDevice;
using fakeuvc::ListEntry;
using fakeuvc::World;

namespace {

template <typename F>
F real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

#define REAL(name)                                       \
    ([] {                                                \
        static auto fn = real<decltype(&::name)>(#name); \
        return fn;                                       \
    }())

World& world() {
    return World::get();
}

bool fake(const void* p) {
    return p != nullptr && world().isFake(p);
}

FakeDevice* dev(udev_device* d) {
    return reinterpret_cast<FakeDevice*>(d);
}

udev_device* out(FakeDevice* d) {
    return reinterpret_cast<udev_device*>(d);
}

const char* property(const FakeDevice* d, const char* key) {
    for (int i = 0; i < d->propertyCount; ++i)
        if (std::strcmp(d->properties[i].name, key) == 0) return d->properties[i].value;
    return nullptr;
}

const char* syspathOf(const FakeDevice* d) {
    const fakeuvc::Camera* c = world().cameraFor(d);
    if (c == nullptr) return nullptr;
    return d->kind == DeviceKind::Node ? c->syspath : c->usbSyspath;
}

}  // namespace

extern "C" {

int udev_enumerate_add_match_subsystem(udev_enumerate* e, const char* subsystem) {
    world().noteEnumeration(e, subsystem);
    return REAL(udev_enumerate_add_match_subsystem)(e, subsystem);
}

udev_list_entry* udev_enumerate_get_list_entry(udev_enumerate* e) {
    if (world().active() && world().isVideoEnumeration(e))
        return reinterpret_cast<udev_list_entry*>(world().enumerationList());
    return REAL(udev_enumerate_get_list_entry)(e);
}

udev_enumerate* udev_enumerate_unref(udev_enumerate* e) {
    world().forgetEnumeration(e);
    return REAL(udev_enumerate_unref)(e);
}

udev_list_entry* udev_list_entry_get_next(udev_list_entry* e) {
    if (fake(e)) return reinterpret_cast<udev_list_entry*>(reinterpret_cast<ListEntry*>(e)->next);
    return REAL(udev_list_entry_get_next)(e);
}

const char* udev_list_entry_get_name(udev_list_entry* e) {
    if (fake(e)) return reinterpret_cast<ListEntry*>(e)->name;
    return REAL(udev_list_entry_get_name)(e);
}

const char* udev_list_entry_get_value(udev_list_entry* e) {
    if (fake(e)) return reinterpret_cast<ListEntry*>(e)->value;
    return REAL(udev_list_entry_get_value)(e);
}

udev_list_entry* udev_list_entry_get_by_name(udev_list_entry* e, const char* name) {
    if (!fake(e)) return REAL(udev_list_entry_get_by_name)(e, name);
    for (auto* l = reinterpret_cast<ListEntry*>(e); l != nullptr; l = l->next)
        if (std::strcmp(l->name, name) == 0) return reinterpret_cast<udev_list_entry*>(l);
    return nullptr;
}

udev_device* udev_device_new_from_syspath(udev* u, const char* syspath) {
    if (world().active()) {
        if (FakeDevice* d = world().deviceAt(syspath)) return out(d);
    }
    return REAL(udev_device_new_from_syspath)(u, syspath);
}

udev_device* udev_device_ref(udev_device* d) {
    return fake(d) ? d : REAL(udev_device_ref)(d);
}

udev_device* udev_device_unref(udev_device* d) {
    return fake(d) ? nullptr : REAL(udev_device_unref)(d);
}

udev_list_entry* udev_device_get_properties_list_entry(udev_device* d) {
    if (!fake(d)) return REAL(udev_device_get_properties_list_entry)(d);
    FakeDevice* f = dev(d);
    return f->propertyCount > 0 ? reinterpret_cast<udev_list_entry*>(&f->properties[0]) : nullptr;
}

udev_list_entry* udev_device_get_tags_list_entry(udev_device* d) {
    return fake(d) ? nullptr : REAL(udev_device_get_tags_list_entry)(d);
}

const char* udev_device_get_property_value(udev_device* d, const char* key) {
    return fake(d) ? property(dev(d), key) : REAL(udev_device_get_property_value)(d, key);
}

const char* udev_device_get_syspath(udev_device* d) {
    return fake(d) ? syspathOf(dev(d)) : REAL(udev_device_get_syspath)(d);
}

const char* udev_device_get_devpath(udev_device* d) {
    return fake(d) ? property(dev(d), "DEVPATH") : REAL(udev_device_get_devpath)(d);
}

const char* udev_device_get_sysname(udev_device* d) {
    if (!fake(d)) return REAL(udev_device_get_sysname)(d);
    const char* path = syspathOf(dev(d));
    const char* slash = path != nullptr ? std::strrchr(path, '/') : nullptr;
    return slash != nullptr ? slash + 1 : path;
}

const char* udev_device_get_devnode(udev_device* d) {
    return fake(d) ? property(dev(d), "DEVNAME") : REAL(udev_device_get_devnode)(d);
}

const char* udev_device_get_subsystem(udev_device* d) {
    return fake(d) ? property(dev(d), "SUBSYSTEM") : REAL(udev_device_get_subsystem)(d);
}

const char* udev_device_get_devtype(udev_device* d) {
    return fake(d) ? property(dev(d), "DEVTYPE") : REAL(udev_device_get_devtype)(d);
}

const char* udev_device_get_action(udev_device* d) {
    return fake(d) ? dev(d)->action : REAL(udev_device_get_action)(d);
}

const char* udev_device_get_driver(udev_device* d) {
    if (!fake(d)) return REAL(udev_device_get_driver)(d);
    return dev(d)->kind == DeviceKind::Usb ? "usb" : nullptr;
}

dev_t udev_device_get_devnum(udev_device* d) {
    if (!fake(d)) return REAL(udev_device_get_devnum)(d);
    return dev(d)->kind == DeviceKind::Node ? makedev(81, unsigned(dev(d)->camera)) : 0;
}

int udev_device_get_is_initialized(udev_device* d) {
    return fake(d) ? 1 : REAL(udev_device_get_is_initialized)(d);
}

const char* udev_device_get_sysattr_value(udev_device* d, const char* name) {
    return fake(d) ? world().attribute(dev(d), name) : REAL(udev_device_get_sysattr_value)(d, name);
}

udev_device* udev_device_get_parent(udev_device* d) {
    return fake(d) ? out(world().parentOf(dev(d), nullptr, nullptr))
                   : REAL(udev_device_get_parent)(d);
}

udev_device* udev_device_get_parent_with_subsystem_devtype(udev_device* d, const char* subsystem,
                                                           const char* devtype) {
    if (!fake(d)) return REAL(udev_device_get_parent_with_subsystem_devtype)(d, subsystem, devtype);
    return out(world().parentOf(dev(d), subsystem, devtype));
}

int udev_monitor_filter_add_match_subsystem_devtype(udev_monitor* m, const char* subsystem,
                                                    const char* devtype) {
    world().monitorFilter(m, subsystem);
    return REAL(udev_monitor_filter_add_match_subsystem_devtype)(m, subsystem, devtype);
}

int udev_monitor_get_fd(udev_monitor* m) {
    return world().monitorFd(m, REAL(udev_monitor_get_fd)(m));
}

udev_device* udev_monitor_receive_device(udev_monitor* m) {
    const int realFd = REAL(udev_monitor_get_fd)(m);
    if (world().monitorFd(m, realFd) == realFd) return REAL(udev_monitor_receive_device)(m);
    if (FakeDevice* d = world().receive(m)) return out(d);
    errno = EAGAIN;
    return nullptr;
}

udev_monitor* udev_monitor_unref(udev_monitor* m) {
    world().forgetMonitor(m);
    return REAL(udev_monitor_unref)(m);
}

}  // extern "C"
