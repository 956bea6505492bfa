// The process-wide table from window handle to window object, owner thread and owner queue. Handle
// values are handed out in increasing order and never reused, so a stale handle never reaches a
// newer window. Internal to the window framework.
#pragma once

#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "ui/Types.h"

namespace ui {

class Window;
class ThreadQueue;

class WindowRegistry {
public:
    struct Entry {
        Window* window = nullptr;
        std::thread::id owner;
        std::shared_ptr<ThreadQueue> queue;
    };

    // The one registry of the process. Never destroyed, so windows that outlive static
    // destruction order still find it.
    static WindowRegistry& Instance();

    // Any thread. Gives `window` a fresh handle owned by the calling thread and its queue.
    WindowHandle Register(Window& window, std::shared_ptr<ThreadQueue> queue);
    void Unregister(WindowHandle handle);

    // Any thread. Runs `fn(const Entry&)` under the registry lock when the handle is alive; returns
    // false (not calling fn) when it is not. Keeps a lookup and what is done with it atomic with
    // respect to Unregister.
    template <typename Fn>
    bool WithEntry(WindowHandle handle, Fn&& fn) const {
        std::lock_guard lock(m_lock);
        auto it = m_entries.find(handle.value);
        if (it == m_entries.end()) {
            return false;
        }
        fn(it->second);
        return true;
    }

    Window* Find(WindowHandle handle) const;

    // Lets the framework set the window's private handle and owner (Window befriends this class).
    static void Bind(Window& window, WindowHandle handle, std::thread::id owner);

private:
    WindowRegistry() = default;

    mutable std::mutex m_lock;
    std::unordered_map<uint64_t, Entry> m_entries; // guarded by m_lock
    uint64_t m_nextHandle = 1;                     // guarded by m_lock
};

} // namespace ui
