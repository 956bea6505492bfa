// The hidden notification window of one transport slot. It lives on the slot's notification
// thread and hands every message to its manager, which turns device-change and power messages
// into attach and detach work and notices.
#pragma once

#include "ui/Window.h"

namespace hid {

class HidDeviceManager;

class CHidNotifyWindow final : public ui::Window {
public:
    explicit CHidNotifyWindow(HidDeviceManager& manager) : m_manager(manager) {}

    // Creates the hidden window on the calling thread (the notification thread).
    bool CreateHidden();

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override;

private:
    HidDeviceManager& m_manager;
};

} // namespace hid
