#include "SimpleTCPResolver.h"

// WinSock's headers come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <utility>

#include "SimpleTCPWinSock.h"

namespace simple_tcp {

namespace {

// One lookup, shared by the resolver and the thread that runs it: whoever lets go last frees it,
// so an abandoned lookup needs no cancelling and its answer simply goes nowhere.
struct Request {
    explicit Request(std::string text) : name(std::move(text)) {}
    const std::string name;
    std::atomic<bool> done{false};
    bool resolved = false;
    uint32_t address = 0;
};

void lookUp(Request& request) noexcept {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(request.name.c_str(), nullptr, &hints, &found) == 0) {
        for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
            if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
                sockaddr_in address{};
                std::memcpy(&address, entry->ai_addr, sizeof address);
                request.address = address.sin_addr.s_addr;
                request.resolved = true;
                break;
            }
        }
        ::freeaddrinfo(found);
    }
    request.done.store(true, std::memory_order_release);
}

// What the thread gets: its share of the request and a reference on the module that holds this
// code, which it gives back as its very last step, so that the module stays loaded while the
// thread runs in it even if its host unloads it meanwhile.
struct ThreadStart {
    std::shared_ptr<Request> request;
    HMODULE module = nullptr;
};

DWORD WINAPI lookupThread(LPVOID parameter) {
    HMODULE module = nullptr;
    {
        std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
        module = start->module;
        lookUp(*start->request);
    }
    FreeLibraryAndExitThread(module, 0);
}

HMODULE pinThisModule() noexcept {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCSTR>(&lookupThread), &module);
    return module;
}

// A lookup that cannot get its thread has failed at once.
std::shared_ptr<Request> startLookup(const std::string& name) {
    auto request = std::make_shared<Request>(name);
    auto start = std::make_unique<ThreadStart>(ThreadStart{request, pinThisModule()});
    if (start->module == nullptr) {
        request->done = true;
        return request;
    }
    const HANDLE thread = CreateThread(nullptr, 0, &lookupThread, start.get(), 0, nullptr);
    if (thread == nullptr) {
        FreeLibrary(start->module);
        request->done = true;
        return request;
    }
    start.release();
    CloseHandle(thread);
    return request;
}

class SystemResolver final : public NameResolver {
public:
    SystemResolver() { EnsureWinSock(); }

    void Start(const std::string& name) override {
        Abandon();
        m_current = startLookup(name);
    }

    Lookup Poll() override {
        if (!m_current) {
            return {Lookup::State::Failed, 0};
        }
        if (!m_current->done.load(std::memory_order_acquire)) {
            return {Lookup::State::Running, 0};
        }
        const Lookup answer{m_current->resolved ? Lookup::State::Resolved : Lookup::State::Failed,
                            m_current->address};
        m_current.reset();
        return answer;
    }

    void Abandon() noexcept override { m_current.reset(); }

private:
    std::shared_ptr<Request> m_current;
};

}  // namespace

std::unique_ptr<NameResolver> MakeSystemResolver() {
    return std::make_unique<SystemResolver>();
}

}  // namespace simple_tcp
