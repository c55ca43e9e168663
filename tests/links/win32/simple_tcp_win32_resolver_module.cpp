// A module of its own with the link's system resolver in it, which the tests load and unload
// while its lookups run, as a host does with the plug-in.
#include <memory>

#include "SimpleTCPResolver.h"

namespace {

std::unique_ptr<simple_tcp::NameResolver>& resolver() {
    static std::unique_ptr<simple_tcp::NameResolver> instance;
    return instance;
}

}  // namespace

// Starts a lookup and returns at once; a lookup still running is abandoned to its thread.
extern "C" __declspec(dllexport) void StartLookup(const char* name) {
    try {
        if (!resolver()) {
            resolver() = simple_tcp::MakeSystemResolver();
        }
        resolver()->Start(name);
    } catch (...) {
    }
}
