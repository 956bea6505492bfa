// The public face of the message loop (see MessageLoop.h): routing through the handle registry to
// the owner thread's queue.
#include "ui/MessageLoop.h"

#include <thread>

#include "ui/OwnerCall.h"

#include "ui/ThreadQueue.h"
#include "ui/Window.h"
#include "ui/WindowRegistry.h"

namespace ui {

namespace {

// While waiting, answer what other threads send to this thread's windows: two threads sending to
// each other both make progress. Posted messages and timers wait for the loop.
LRESULT AwaitAnswer(ThreadQueue& self, const SentMessage& message) {
    while (!message.IsDone()) {
        if (self.DispatchOneSent()) {
            continue;
        }
        if (message.IsDone()) {
            break;
        }
        self.WaitForWake();
    }
    return message.Result();
}

} // namespace

bool Post(WindowHandle target, UINT msg, WPARAM wParam, LPARAM lParam) {
    bool posted = false;
    // Queued under the registry lock, so a concurrent Destroy either sees the message and drops it
    // or the lookup here fails.
    WindowRegistry::Instance().WithEntry(target, [&](const WindowRegistry::Entry& entry) {
        posted = entry.queue->Post(target, msg, wParam, lParam);
    });
    return posted;
}

LRESULT Send(WindowHandle target, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto self = ThreadQueue::Current();
    Window* direct = nullptr;
    std::shared_ptr<SentMessage> message;
    bool queued = false;
    WindowRegistry::Instance().WithEntry(target, [&](const WindowRegistry::Entry& entry) {
        if (entry.owner == std::this_thread::get_id()) {
            direct = entry.window;
            return;
        }
        message = std::make_shared<SentMessage>(target, msg, wParam, lParam, self);
        queued = entry.queue->EnqueueSent(message);
    });
    if (direct != nullptr) {
        return direct->WindowProc(msg, wParam, lParam);
    }
    if (!queued) {
        return 0;
    }
    return AwaitAnswer(*self, *message);
}

bool CallOnOwner(WindowHandle target, const std::function<void(Window&)>& fn) {
    const auto self = ThreadQueue::Current();
    Window* direct = nullptr;
    std::shared_ptr<SentMessage> message;
    bool queued = false;
    WindowRegistry::Instance().WithEntry(target, [&](const WindowRegistry::Entry& entry) {
        if (entry.owner == std::this_thread::get_id()) {
            direct = entry.window;
            return;
        }
        // Runs on the owner thread, which looks the window up again: it may be gone by then.
        auto task = [target, &fn]() -> LRESULT {
            Window* window = FromHandle(target);
            if (window == nullptr) {
                return 0;
            }
            fn(*window);
            return 1;
        };
        message = std::make_shared<SentMessage>(target, std::move(task), self);
        queued = entry.queue->EnqueueSent(message);
    });
    if (direct != nullptr) {
        fn(*direct);
        return true;
    }
    if (!queued) {
        return false;
    }
    return AwaitAnswer(*self, *message) != 0;
}

bool SetTimer(WindowHandle target, uintptr_t id, uint32_t periodMs) {
    bool set = false;
    WindowRegistry::Instance().WithEntry(target, [&](const WindowRegistry::Entry& entry) {
        set = entry.queue->SetTimer(target, id, periodMs);
    });
    return set;
}

bool KillTimer(WindowHandle target, uintptr_t id) {
    bool killed = false;
    WindowRegistry::Instance().WithEntry(target, [&](const WindowRegistry::Entry& entry) {
        killed = entry.queue->KillTimer(target, id);
    });
    return killed;
}

void PostQuit(int exitCode) {
    ThreadQueue::Current()->Post(WindowHandle{}, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

int RunMessageLoop() {
    return ThreadQueue::Current()->Run(nullptr).code;
}

bool PumpPending() {
    const auto queue = ThreadQueue::Current();
    const ThreadQueue::Exit exit = queue->Pump();
    if (exit.quit) {
        // Leave the quit for the loop this call runs inside of, as a modal run does.
        PostQuit(exit.code);
        return false;
    }
    return true;
}

int RunModal(Window& dialog) {
    const WindowHandle handle = dialog.Handle();
    if (!handle || dialog.OwnerThread() != std::this_thread::get_id()) {
        return IDCANCEL;
    }
    const auto queue = ThreadQueue::Current();
    queue->EnterModal(handle);
    const ThreadQueue::Exit exit =
        queue->Run([&] { return queue->ModalEnd(handle).has_value() || !IsWindow(handle); });
    const std::optional<int> result = queue->LeaveModal(handle);
    if (exit.quit) {
        PostQuit(exit.code); // the outer loops end too
    }
    return result.value_or(IDCANCEL);
}

void EndModal(WindowHandle dialog, int result) {
    WindowRegistry::Instance().WithEntry(dialog, [&](const WindowRegistry::Entry& entry) {
        entry.queue->EndModal(dialog, result);
    });
}

} // namespace ui
