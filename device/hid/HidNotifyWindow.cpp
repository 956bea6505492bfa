// The notification window (see HidNotifyWindow.h).
#include "device/hid/HidNotifyWindow.h"

#include "device/hid/HidDeviceManager.h"
#include "ui/MessageLoop.h"

namespace hid {

bool CHidNotifyWindow::CreateHidden() {
    ui::CreateParams params;
    params.rect = ui::Rect{0, 0, 5, 5};
    params.text = u"OKRA HidDevice Window";
    params.hidden = true;
    return Create(params);
}

ui::LRESULT CHidNotifyWindow::WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) {
    switch (msg) {
    case ui::WM_CREATE:
        return 0;
    case ui::WM_CLOSE:
        // The slot is closing: the window goes and the thread's loop ends.
        Destroy();
        ui::PostQuit(0);
        return 0;
    case ui::WM_DEVICECHANGE:
    case ui::WM_POWERBROADCAST:
    case WM_HID_UNREGISTER_HANDLE:
        return m_manager.HandleWindowMessage(msg, wParam, lParam);
    default:
        return DefWindowProc(msg, wParam, lParam);
    }
}

} // namespace hid
