#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace simple_tcp {

// What one host-name lookup has come to; the address is IPv4 in network byte order.
struct Lookup {
    enum class State { Running, Resolved, Failed };
    State state = State::Failed;
    uint32_t address = 0;
};

// Looks up the IPv4 address of a host name away from the calling thread, one lookup at a time,
// and is polled for the answer, so that a resolver that takes seconds, or never answers, holds
// no thread of the caller. It calls nothing back. Tests put in a resolver of their own.
class NameResolver {
public:
    virtual ~NameResolver() = default;
    // Starts looking up the name; a lookup still running is abandoned.
    virtual void Start(const std::string& name) = 0;
    // The lookup started last: Running until it has an answer, which is given once; Failed
    // when no lookup is running.
    virtual Lookup Poll() = 0;
    // Forgets the lookup started last: its answer, however late, is never given.
    virtual void Abandon() noexcept = 0;
};

// The C library's asynchronous resolver: the lookups run on the library's own threads and are
// told nothing when they end, so no thread and no callback ever runs code of this library. A
// lookup that is abandoned while it runs is cancelled if it has not begun; otherwise its memory
// is left to the resolver until it ends, and at the resolver's destruction (the library may be
// about to be unloaded) for good.
[[nodiscard]] std::unique_ptr<NameResolver> MakeSystemResolver();

}  // namespace simple_tcp
