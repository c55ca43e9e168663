#include "SimpleTCPResolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <vector>

namespace simple_tcp {

namespace {

// One request as the C library's resolver threads read and write it: everything they touch
// lives in this one heap block, which holds no pointer into this library's code or data.
struct Request {
    std::string name;
    addrinfo hints{};
    gaicb block{};
    bool queued = false;
};

[[nodiscard]] bool running(Request& request) noexcept {
    return request.queued && ::gai_error(&request.block) == EAI_INPROGRESS;
}

// Only for a request that no resolver thread touches any more.
void release(Request* request) noexcept {
    if (request->block.ar_result != nullptr) {
        ::freeaddrinfo(request->block.ar_result);
    }
    delete request;
}

Lookup answerOf(Request& request) noexcept {
    if (!request.queued || ::gai_error(&request.block) != 0) {
        return {Lookup::State::Failed, 0};
    }
    for (const addrinfo* entry = request.block.ar_result; entry != nullptr;
         entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in address{};
            std::memcpy(&address, entry->ai_addr, sizeof address);
            return {Lookup::State::Resolved, address.sin_addr.s_addr};
        }
    }
    return {Lookup::State::Failed, 0};
}

class SystemResolver final : public NameResolver {
public:
    SystemResolver() = default;
    SystemResolver(const SystemResolver&) = delete;
    SystemResolver& operator=(const SystemResolver&) = delete;

    // What still runs is cancelled if it can be, and otherwise left to the resolver for good:
    // its threads may write into it long after this library is gone.
    ~SystemResolver() override {
        Abandon();
        for (Request* request : m_abandoned) {
            if (!running(*request) || ::gai_cancel(&request->block) == EAI_CANCELED) {
                release(request);
            }
        }
    }

    void Start(const std::string& name) override {
        Abandon();
        auto request = std::make_unique<Request>();
        request->name = name;
        request->hints.ai_family = AF_INET;
        request->hints.ai_socktype = SOCK_STREAM;
        request->block.ar_name = request->name.c_str();
        request->block.ar_request = &request->hints;
        gaicb* list[] = {&request->block};
        // Without a notification the resolver only marks the request done, and Poll looks. A
        // request that could not be queued (no thread to be had) has failed, whatever its
        // status field says, and no resolver thread ever touches it.
        request->queued = ::getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) == 0;
        m_current = request.release();
    }

    Lookup Poll() override {
        reapAbandoned();
        if (m_current == nullptr) {
            return {Lookup::State::Failed, 0};
        }
        if (running(*m_current)) {
            return {Lookup::State::Running, 0};
        }
        const Lookup answer = answerOf(*m_current);
        release(m_current);
        m_current = nullptr;
        return answer;
    }

    void Abandon() noexcept override {
        reapAbandoned();
        if (m_current == nullptr) {
            return;
        }
        Request* request = m_current;
        m_current = nullptr;
        if (!running(*request) || ::gai_cancel(&request->block) == EAI_CANCELED) {
            release(request);
            return;
        }
        try {
            m_abandoned.push_back(request);
        } catch (...) {
            // Without room to remember it, the request is left to the resolver for good.
        }
    }

private:
    void reapAbandoned() noexcept {
        std::erase_if(m_abandoned, [](Request* request) {
            if (running(*request)) {
                return false;
            }
            release(request);
            return true;
        });
    }

    Request* m_current = nullptr;
    std::vector<Request*> m_abandoned;
};

}  // namespace

std::unique_ptr<NameResolver> MakeSystemResolver() {
    return std::make_unique<SystemResolver>();
}

}  // namespace simple_tcp
