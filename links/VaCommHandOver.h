#pragma once

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// Hands work from a worker thread to the thread of a QObject and waits until it has run there.
// Closing the gate releases every waiting worker at once, so the owner's thread can close it
// and join the workers without ever waiting for a hand-over it would have to run itself.
class VaHandOverGate {
public:
    explicit VaHandOverGate(QObject* context);

    void open();
    void close();

    // Worker side: true once task has run on the context's thread, false when the gate was
    // closed before it could run. A task that is running when the gate closes still finishes.
    bool handOver(std::function<void()> task);

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::uint64_t generation = 0;
        bool open = false;
    };

    QObject* m_context;
    std::shared_ptr<State> m_state;
};
