#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "SimpleTCP.h"

// What the TCP link's tests start from on every platform.
namespace link_test {

// Fails locally, in the resolver's own parsing of numeric names, with no query on the network.
inline const std::string kUnresolvableHost = "999.999.999.999";

// A client of a test server on 127.0.0.1, not yet connected.
inline std::unique_ptr<TSimpleTCPClient> clientFor(uint16_t port) {
    auto client = std::make_unique<TSimpleTCPClient>();
    client->SetHost("127.0.0.1");
    client->SetPort(port);
    return client;
}

}  // namespace link_test
