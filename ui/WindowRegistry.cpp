// The process-wide handle table (see WindowRegistry.h).
#include "ui/WindowRegistry.h"

#include "ui/ThreadQueue.h"
#include "ui/Window.h"

namespace ui {

WindowRegistry& WindowRegistry::Instance() {
    // Deliberately never destroyed: windows with static storage may be torn down after it would be.
    static WindowRegistry* const registry = new WindowRegistry();
    return *registry;
}

WindowHandle WindowRegistry::Register(Window& window, std::shared_ptr<ThreadQueue> queue) {
    std::lock_guard lock(m_lock);
    const WindowHandle handle{m_nextHandle++};
    m_entries.emplace(handle.value, Entry{&window, std::this_thread::get_id(), std::move(queue)});
    return handle;
}

void WindowRegistry::Unregister(WindowHandle handle) {
    std::shared_ptr<ThreadQueue> queue; // released outside the lock
    std::lock_guard lock(m_lock);
    auto it = m_entries.find(handle.value);
    if (it == m_entries.end()) {
        return;
    }
    queue = std::move(it->second.queue);
    m_entries.erase(it);
}

Window* WindowRegistry::Find(WindowHandle handle) const {
    std::lock_guard lock(m_lock);
    auto it = m_entries.find(handle.value);
    return it == m_entries.end() ? nullptr : it->second.window;
}

void WindowRegistry::Bind(Window& window, WindowHandle handle, std::thread::id owner) {
    window.m_handle.store(handle.value, std::memory_order_release);
    window.m_owner = owner;
}

} // namespace ui
