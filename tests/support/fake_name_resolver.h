#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "SimpleTCPResolver.h"
#include "SimpleTCPRules.h"

// A resolver that answers only when the test says so (on both platforms), and never on its own: the
// test keeps the script and answers through it while the link owns the resolver.
class FakeNameResolver : public simple_tcp::NameResolver {
public:
    struct Script {
        std::vector<std::string> started;
        bool running = false;
        int abandoned = 0;
        bool destroyed = false;
        std::optional<simple_tcp::Lookup> answer;

        void Resolve(const char* dotted) {
            answer = simple_tcp::Lookup{simple_tcp::Lookup::State::Resolved,
                                        simple_tcp::classifyHost(dotted).address};
        }
        void Fail() { answer = simple_tcp::Lookup{simple_tcp::Lookup::State::Failed, 0}; }
    };

    explicit FakeNameResolver(std::shared_ptr<Script> script) : m_script(std::move(script)) {}
    ~FakeNameResolver() override { m_script->destroyed = true; }

    // Puts a new fake into `link` and returns its script.
    template <typename Link>
    static std::shared_ptr<Script> InstallIn(Link& link) {
        auto script = std::make_shared<Script>();
        link.SetNameResolver(std::make_unique<FakeNameResolver>(script));
        return script;
    }

    void Start(const std::string& name) override {
        m_script->started.push_back(name);
        m_script->running = true;
        m_script->answer.reset();
    }
    simple_tcp::Lookup Poll() override {
        if (!m_script->running) {
            return {simple_tcp::Lookup::State::Failed, 0};
        }
        if (!m_script->answer) {
            return {simple_tcp::Lookup::State::Running, 0};
        }
        m_script->running = false;
        return *std::exchange(m_script->answer, std::nullopt);
    }
    void Abandon() noexcept override {
        if (m_script->running) {
            m_script->running = false;
            ++m_script->abandoned;
        }
    }

private:
    std::shared_ptr<Script> m_script;
};
