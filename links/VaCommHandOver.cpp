#include "VaCommHandOver.h"

#include <QMetaObject>

VaHandOverGate::VaHandOverGate(QObject* context)
    : m_context(context), m_state(std::make_shared<State>()) {}

void VaHandOverGate::open() {
    std::lock_guard lock(m_state->mutex);
    m_state->open = true;
    ++m_state->generation;
}

void VaHandOverGate::close() {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->open = false;
        ++m_state->generation;
    }
    m_state->changed.notify_all();
}

bool VaHandOverGate::handOver(std::function<void()> task) {
    const std::shared_ptr<State> state = m_state;
    std::unique_lock lock(state->mutex);
    if (!state->open) {
        return false;
    }
    const std::uint64_t generation = state->generation;
    auto done = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        m_context,
        [state, generation, done, task = std::move(task)] {
            {
                std::lock_guard guiLock(state->mutex);
                if (!state->open || state->generation != generation) {
                    return;
                }
            }
            task();
            {
                std::lock_guard guiLock(state->mutex);
                *done = true;
            }
            state->changed.notify_all();
        },
        Qt::QueuedConnection);
    state->changed.wait(lock, [&] { return *done || state->generation != generation; });
    return *done;
}
