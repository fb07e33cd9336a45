#include "disk/UdisksBroker.h"

#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace qr::disk {

namespace {

// The parts of the sd-bus interface used here (stable ABI of libsystemd.so.0).
struct BusError {
    const char* name = nullptr;
    const char* message = nullptr;
    int needFree = 0;
};
using OpenSystem = int (*)(void**);
using SetInteractive = int (*)(void*, int);
using CallMethod = int (*)(void*, const char*, const char*, const char*, const char*, BusError*,
                           void**, const char*, ...);
using MessageRead = int (*)(void*, const char*, ...);
using MessageUnref = void* (*)(void*);
using BusUnref = void* (*)(void*);
using ErrorFree = void (*)(BusError*);

struct SdBus {
    OpenSystem openSystem = nullptr;
    SetInteractive setInteractive = nullptr;
    CallMethod call = nullptr;
    MessageRead read = nullptr;
    MessageUnref messageUnref = nullptr;
    BusUnref busUnref = nullptr;
    ErrorFree errorFree = nullptr;

    bool loaded() const {
        return openSystem && setInteractive && call && read && messageUnref && busUnref &&
               errorFree;
    }
};

const SdBus& sdBus() {
    static const SdBus bus = [] {
        SdBus b;
        void* lib = ::dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return b;
        auto sym = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(lib, name));
        };
        sym(b.openSystem, "sd_bus_open_system");
        sym(b.setInteractive, "sd_bus_set_allow_interactive_authorization");
        sym(b.call, "sd_bus_call_method");
        sym(b.read, "sd_bus_message_read");
        sym(b.messageUnref, "sd_bus_message_unref");
        sym(b.busUnref, "sd_bus_flush_close_unref");
        sym(b.errorFree, "sd_bus_error_free");
        return b;
    }();
    return bus;
}

} // namespace

std::string UdisksObjectPath(const std::string& device) {
    std::error_code ec;
    std::filesystem::path node = std::filesystem::canonical(device, ec);
    const std::string name = (ec ? std::filesystem::path(device) : node).filename().string();
    if (name.empty())
        return {};
    std::string path = "/org/freedesktop/UDisks2/block_devices/";
    for (unsigned char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '_') {
            path += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "_%02x", c);
            path += escaped;
        }
    }
    return path;
}

BrokeredOpen UdisksBroker::openReadOnly(const std::string& device) {
    const SdBus& bus = sdBus();
    if (!bus.loaded())
        return {-1, "the D-Bus library (libsystemd) is not available"};
    const std::string object = UdisksObjectPath(device);
    if (object.empty())
        return {-1, "not a device name"};
    void* connection = nullptr;
    if (bus.openSystem(&connection) < 0 || !connection)
        return {-1, "the system bus is not available"};
    // Lets the policy agent ask for the administrator's password.
    bus.setInteractive(connection, 1);
    BusError error;
    void* reply = nullptr;
    BrokeredOpen result;
    const int rc =
        bus.call(connection, "org.freedesktop.UDisks2", object.c_str(),
                 "org.freedesktop.UDisks2.Block", "OpenDevice", &error, &reply, "sa{sv}", "r", 0u);
    if (rc < 0) {
        result.failure = error.message ? error.message : "the disk service (udisks2) refused";
    } else {
        int fd = -1;
        if (bus.read(reply, "h", &fd) >= 0 && fd >= 0)
            result.fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 3); // the reply owns its descriptor
        if (result.fd < 0)
            result.failure = "the disk service (udisks2) returned no descriptor";
    }
    if (reply)
        bus.messageUnref(reply);
    bus.errorFree(&error);
    bus.busUnref(connection);
    return result;
}

std::string DeviceAccessMessage(const std::string& device, const std::string& brokerFailure) {
    std::string text = "The disk " + device +
                       " cannot be opened for reading: permission denied.\n"
                       "To read it, run the program as root, or add your user to the \"disk\" "
                       "group (sudo adduser $USER disk) and log in again.";
    if (!brokerFailure.empty())
        text += "\n(The disk service udisks2 could not open it either: " + brokerFailure + ".)";
    return text;
}

} // namespace qr::disk
