// The message waiter and the native modal scope (see Win32Waiter.h).
#include "ui/win32/Win32Waiter.h"

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "ui/MessageLoop.h"
#include "ui/win32/Win32Translate.h"

// After our own headers (see Win32Headers.h).
#include "ui/win32/Win32Headers.h"

namespace ui::win32 {

namespace {

constexpr UINT kPumpMessage = WM_APP + 1;
constexpr UINT_PTR kPumpTimer = 1;
constexpr UINT kPumpPeriodMs = 10; // the shortest period of a Windows timer
// Native messages dispatched by one Wait at most, so that a window that keeps posting to itself
// cannot hold the framework's own queue back.
constexpr int kMaxNativePerWait = 256;
constexpr wchar_t kPumpClassName[] = L"KestrelModalPump";

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The waiter of each thread that has one of ours, so that a modal scope on that thread can find
// it. A table rather than a thread_local: a waiter may be destroyed while its thread ends, when
// thread-local storage may be gone already (emulated TLS on mingw-w64).
struct WaiterTable {
    std::mutex lock;
    std::map<std::thread::id, MessageWaiter*> waiters; // guarded by lock
};

WaiterTable& Waiters() {
    static WaiterTable* const table = new WaiterTable(); // used until the last thread ends
    return *table;
}

} // namespace

class MessageWaiter final : public ThreadWaiter {
public:
    explicit MessageWaiter(UniqueHandle event) : m_event(std::move(event)), m_thread(std::this_thread::get_id()) {
        auto& table = Waiters();
        std::lock_guard lock(table.lock);
        table.waiters.emplace(m_thread, this); // the thread's first waiter is the loop's
    }

    ~MessageWaiter() override {
        auto& table = Waiters();
        std::lock_guard lock(table.lock);
        if (auto it = table.waiters.find(m_thread); it != table.waiters.end() && it->second == this) {
            table.waiters.erase(it);
        }
    }

    static MessageWaiter* OfCallingThread() {
        auto& table = Waiters();
        std::lock_guard lock(table.lock);
        auto it = table.waiters.find(std::this_thread::get_id());
        return it == table.waiters.end() ? nullptr : it->second;
    }

    // Owner thread.
    void Wait(TimePoint deadline) override {
        const uint32_t timeout = WaitTimeoutMs(deadline, std::chrono::steady_clock::now());
        if (m_modalDepth > 0 && timeout == 0) {
            return; // a poll from inside a native modal loop: its messages are its own
        }
        if (DispatchNative() > 0) {
            return;
        }
        if (timeout == 0) {
            return;
        }
        HANDLE event = m_event.get();
        // MWMO_INPUTAVAILABLE: also messages that were already in the queue when the wait began.
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &event, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 + 1) {
            DispatchNative();
        }
    }

    // Any thread. The auto-reset event stays set until a wait takes it, so no wake-up is lost.
    void Wake() override {
        SetEvent(m_event.get());
        HWND pump = m_pumpWindow.load(std::memory_order_acquire);
        if (pump != nullptr && !m_pumpPosted.exchange(true, std::memory_order_acq_rel)) {
            PostMessageW(pump, kPumpMessage, 0, 0);
        }
    }

    // Owner thread: the innermost modal scope's pump window (nullptr: none); returns the previous.
    HWND SwapPumpWindow(HWND window) { return m_pumpWindow.exchange(window, std::memory_order_acq_rel); }
    void EnterModal() { ++m_modalDepth; }
    void LeaveModal() { --m_modalDepth; }
    // Owner thread, before the pump serves the queue: later wake-ups post again.
    void PumpStarting() { m_pumpPosted.store(false, std::memory_order_release); }

private:
    int DispatchNative() {
        int handled = 0;
        MSG msg;
        while (handled < kMaxNativePerWait && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ++handled;
            if (msg.message == WM_QUIT) {
                PostQuit(static_cast<int>(msg.wParam));
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return handled;
    }

    const UniqueHandle m_event;
    const std::thread::id m_thread;
    std::atomic<HWND> m_pumpWindow{nullptr};
    std::atomic<bool> m_pumpPosted{false};
    int m_modalDepth = 0; // owner thread only
};

std::unique_ptr<ThreadWaiter> CreateMessageWaiter() {
    UniqueHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!event) {
        return nullptr;
    }
    return std::make_unique<MessageWaiter>(std::move(event));
}

// --- CNativeModalScope -------------------------------------------------------------------------

namespace {

LRESULT CALLBACK PumpProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (msg == kPumpMessage || (msg == WM_TIMER && wParam == kPumpTimer)) {
        if (auto* scope = reinterpret_cast<CNativeModalScope*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
            scope->Pump();
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool RegisterPumpClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &PumpProcedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kPumpClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

} // namespace

CNativeModalScope::CNativeModalScope() : m_waiter(MessageWaiter::OfCallingThread()) {
    if (m_waiter != nullptr) {
        m_waiter->EnterModal();
    }
    if (!RegisterPumpClass()) {
        return;
    }
    HWND window = CreateWindowExW(0, kPumpClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), this);
    if (window == nullptr) {
        return;
    }
    m_window = window;
    SetTimer(window, kPumpTimer, kPumpPeriodMs, nullptr);
    if (m_waiter != nullptr) {
        m_previous = m_waiter->SwapPumpWindow(window);
        m_waiter->Wake(); // what is queued already is served at once
    }
}

CNativeModalScope::~CNativeModalScope() {
    if (m_waiter != nullptr && m_window != nullptr) {
        m_waiter->SwapPumpWindow(static_cast<HWND>(m_previous));
    }
    if (m_window != nullptr) {
        HWND window = static_cast<HWND>(m_window);
        KillTimer(window, kPumpTimer);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
    if (m_waiter != nullptr) {
        m_waiter->LeaveModal();
        m_waiter->Wake(); // the enclosing loop looks at its queue again
    }
}

void CNativeModalScope::Pump() {
    // A framework loop nested in a handler serves the queue itself; a quit waits for the outer loop.
    if (m_pumping || m_quit) {
        return;
    }
    m_pumping = true;
    if (m_waiter != nullptr) {
        m_waiter->PumpStarting();
    }
    if (!PumpPending()) {
        m_quit = true;
    }
    m_pumping = false;
}

} // namespace ui::win32
