#pragma once

#include <memory>

#include "SimpleTCP.h"
// Each platform's recorder and server, with the same interface.
#ifdef _WIN32
#include "support/win32_tcp_event_recorder.h"
#include "support/win32_tcp_test_server.h"
#else
#include "support/tcp_event_recorder.h"
#include "support/tcp_test_server.h"
#endif

// A client connected to a peer of an in-process server, with every event recorded from the
// moment the connection is up.
class TcpConnection {
public:
    explicit TcpConnection(int serverReceiveBuffer = 0)
        : server(TcpTestServer::Mode::Listening, serverReceiveBuffer),
          client(std::make_unique<TSimpleTCPClient>()),
          recorder(*client) {
        client->SetHost("127.0.0.1");
        client->SetPort(server.port());
        client->SetConnected(true);
        connected = spinUntil([this] { return recorder.saw("Connected"); });
        peer = server.accept();
        recorder.clear();
    }

    TcpTestServer server;
    std::unique_ptr<TSimpleTCPClient> client;
    TcpEventRecorder recorder;
    TcpTestPeer peer;
    bool connected = false;
};
