// The hidden notification window of the Windows back-end (see WinHidWatch.h).
#include "device/hid/win32/WinHidWatch.h"


#include <cstring>
#include <system_error>

#include "device/hid/win32/WinHidBroadcast.h"
#include "device/hid/win32/WinHidDevice.h"
#include "device/hid/win32/WinHidHandleRegistry.h"
#include "sys/ByteOrder.h"
#include "sys/Event.h"

namespace hid::win32 {
namespace {

// A broadcast that states a larger size than this is not one the system makes; it is ignored.
constexpr uint32_t kMaxBroadcastBytes = 64 * 1024;

HINSTANCE OwnModule() {
    return ::GetModuleHandleA(nullptr);
}

} // namespace

std::unique_ptr<WinHidWatch> WinHidWatch::Start(HidEventSink& sink, std::shared_ptr<HandleRegistry> registry) {
    std::unique_ptr<WinHidWatch> watch(new WinHidWatch(sink, std::move(registry)));
    auto ready = std::make_shared<sys::Event>(sys::Event::Reset::Auto);
    try {
        watch->m_thread = std::thread([raw = watch.get(), ready] { raw->Run(ready); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    if (ready->Wait(kWatchStartMs) && watch->m_startState == StartState::Ready) {
        return watch;
    }
    // Late or failed. The thread looks at the flag after publishing its window and we look at the
    // window after setting the flag, so one of us closes it whatever point the thread has reached.
    watch->m_abandon = true;
    if (const HWND window = watch->Window()) {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    }
    watch->m_thread.join();
    return nullptr;
}

WinHidWatch::WinHidWatch(HidEventSink& sink, std::shared_ptr<HandleRegistry> registry)
    : m_sink(sink), m_registry(std::move(registry)) {
    HidD_GetHidGuid(&m_hidClass);
}

WinHidWatch::~WinHidWatch() {
    if (!m_thread.joinable()) {
        return;
    }
    // Posted, not sent: the window thread may be inside a sink call that waits for the thread that
    // destroys us, and a posted close is handled as soon as that call returns.
    if (const HWND window = Window()) {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    }
    m_thread.join();
}

// Window thread. A class name already taken (by another watch of this process) makes the next
// name be tried.
bool WinHidWatch::RegisterOwnClass() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &WinHidWatch::WindowProc;
    windowClass.hInstance = OwnModule();
    windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    for (int attempt = 0; attempt < kWatchClassAttempts; ++attempt) {
        std::string name = kWatchClassName;
        if (attempt > 0) {
            name += "_" + std::to_string(attempt - 1);
        }
        windowClass.lpszClassName = name.c_str();
        if (::RegisterClassA(&windowClass) != 0) {
            m_className = std::move(name);
            return true;
        }
    }
    return false;
}

// Window thread: the window, its registration and its message loop.
void WinHidWatch::Run(const std::shared_ptr<sys::Event>& ready) {
    auto fail = [&] {
        m_startState = StartState::Failed;
        ready->Set();
    };
    if (!RegisterOwnClass()) {
        fail();
        return;
    }
    const HWND window = ::CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, m_className.c_str(), kWatchWindowTitle,
                                          WS_POPUP | WS_CLIPSIBLINGS, 0, 0, 5, 5, nullptr, nullptr, OwnModule(),
                                          this);
    if (window == nullptr) {
        ::UnregisterClassA(m_className.c_str(), OwnModule());
        fail();
        return;
    }
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = m_hidClass;
    m_interfaceNotify = ::RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (m_interfaceNotify == nullptr) {
        ::DestroyWindow(window);
        ::UnregisterClassA(m_className.c_str(), OwnModule());
        fail();
        return;
    }
    m_registry->AddWindow(window);
    m_window = window;
    m_startState = StartState::Ready;
    ready->Set();
    if (m_abandon) {
        Close(window);
    }
    MSG msg{};
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::DispatchMessageA(&msg);
    }
    if (::IsWindow(window)) {
        Close(window);  // the loop ended by a stray quit message: nothing may outlive the thread
    }
    ::UnregisterClassA(m_className.c_str(), OwnModule());
}

// Window thread: drops the registrations, destroys the window and ends the loop.
void WinHidWatch::Close(HWND window) {
    if (m_interfaceNotify != nullptr) {
        ::UnregisterDeviceNotification(m_interfaceNotify);
        m_interfaceNotify = nullptr;
    }
    m_registry->RemoveWindow(window);
    m_window = nullptr;
    ::DestroyWindow(window);
    ::PostQuitMessage(0);
}

LRESULT CALLBACK WinHidWatch::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<WinHidWatch*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcA(window, msg, wParam, lParam);
    }
    return self->Handle(window, msg, wParam, lParam);
}

// Window thread.
LRESULT WinHidWatch::Handle(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return 0;
    case WM_CLOSE:
        Close(window);
        return 0;
    case WM_DEVICECHANGE:
        HandleDeviceChange(wParam, lParam);
        return TRUE;
    case WM_POWERBROADCAST:
        HandlePower(wParam);
        return TRUE;
    default:
        return ::DefWindowProcA(window, msg, wParam, lParam);
    }
}

// Window thread.
void WinHidWatch::HandleDeviceChange(WPARAM event, LPARAM lParam) {
    if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || lParam == 0) {
        return;
    }
    const auto* record = reinterpret_cast<const uint8_t*>(lParam);
    const uint32_t size = sys::ReadLe32(std::span<const uint8_t>(record, sizeof(DEV_BROADCAST_HDR)), 0);
    if (size < sizeof(DEV_BROADCAST_HDR) || size > kMaxBroadcastBytes) {
        return;
    }
    const std::optional<DeviceBroadcast> broadcast = ParseDeviceBroadcast(std::span<const uint8_t>(record, size));
    if (!broadcast) {
        return;
    }
    if (broadcast->kind == BroadcastKind::Interface) {
        if (std::memcmp(broadcast->classGuid, &m_hidClass, sizeof broadcast->classGuid) != 0) {
            return;  // another class's interface (broadcasts reach every top-level window)
        }
        if (event == DBT_DEVICEREMOVECOMPLETE) {
            m_sink.OnRemoval(broadcast->path);
            return;
        }
        if (std::optional<HidInterfaceInfo> info = DescribeInterface(broadcast->path)) {
            std::vector<HidInterfaceInfo> interfaces;
            interfaces.push_back(std::move(*info));
            m_sink.OnArrival(std::move(interfaces));
        }
        return;
    }
    if (broadcast->kind == BroadcastKind::Handle && event == DBT_DEVICEREMOVECOMPLETE) {
        if (std::optional<std::string> path = m_registry->PathOf(reinterpret_cast<HANDLE>(broadcast->handle))) {
            m_sink.OnRemoval(*path);
        }
    }
}

// Window thread.
void WinHidWatch::HandlePower(WPARAM event) {
    switch (event) {
    case PBT_APMSUSPEND:
        m_sink.OnSuspend();
        break;
    case PBT_APMQUERYSUSPENDFAILED:
    case PBT_APMRESUMECRITICAL:
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMEAUTOMATIC:
        m_sink.OnResume();
        break;
    default:
        break;
    }
}

} // namespace hid::win32
