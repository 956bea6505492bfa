// The exit hooks of ExitProcess: registered from any thread, run by the thread that ends the process.
#include "sys/ExitHooks.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "sys/Process.h"

namespace sys {
namespace {

struct HookList {
    std::mutex lock;
    std::vector<std::function<void()>> hooks;
    std::atomic<bool> running{false};
};

HookList& Hooks() {
    static HookList list;
    return list;
}

} // namespace

// Any thread.
void AddExitHook(std::function<void()> hook) {
    if (!hook) {
        return;
    }
    HookList& list = Hooks();
    std::lock_guard guard(list.lock);
    list.hooks.push_back(std::move(hook));
}

namespace detail {

// The thread that ends the process. The lock is not held while a hook runs, so a hook may register
// another (it runs next) or end the process itself.
void RunExitHooks() {
    HookList& list = Hooks();
    if (list.running.exchange(true)) {
        return;
    }
    for (;;) {
        std::function<void()> hook;
        {
            std::lock_guard guard(list.lock);
            if (list.hooks.empty()) {
                return;
            }
            hook = std::move(list.hooks.back());
            list.hooks.pop_back();
        }
        hook();
    }
}

} // namespace detail
} // namespace sys
