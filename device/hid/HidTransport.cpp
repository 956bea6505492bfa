// The transport's five operations over the slot table, and the process's back-end.
//
// Slots are held by shared pointers: a HidWrite on the update thread that races the caller's
// HidClose keeps the slot's manager alive until it returns (and then finds no device).
#include <array>
#include <cstdio>
#include <mutex>

#include "device/hid/BackendFactory.h"
#include "device/hid/Hid.h"
#include "device/hid/HidDeviceManager.h"
#include "device/hid/HidSetup.h"
#include "sys/Process.h"

namespace hid {
namespace {

std::mutex g_lock;  // guards both below
std::shared_ptr<HidBackend> g_backend;
std::array<std::shared_ptr<HidDeviceManager>, kSlotCount> g_slots;

// With g_lock held.
std::optional<std::string> ChooseBackendLocked() {
    if (g_backend) {
        return std::nullopt;
    }
    BackendChoice choice = CreateHidBackend();
    if (!choice.backend) {
        return choice.error;
    }
    g_backend = std::move(choice.backend);
    return std::nullopt;
}

// The slot's manager, created on first use. nullptr for an index out of range.
std::shared_ptr<HidDeviceManager> UseSlot(uint32_t slot) {
    if (slot >= kSlotCount) {
        return nullptr;
    }
    std::lock_guard lock(g_lock);
    if (!g_slots[slot]) {
        if (const std::optional<std::string> error = ChooseBackendLocked()) {
            std::fprintf(stderr, "%s\n", error->c_str());
            sys::ExitProcess(1);
        }
        g_slots[slot] = std::make_shared<HidDeviceManager>(g_backend);
    }
    return g_slots[slot];
}

std::shared_ptr<HidDeviceManager> ExistingSlot(uint32_t slot) {
    if (slot >= kSlotCount) {
        return nullptr;
    }
    std::lock_guard lock(g_lock);
    return g_slots[slot];
}

} // namespace

void HidSetFilter(const HidDeviceFilter* filter, uint32_t slot) {
    if (auto manager = UseSlot(slot)) {
        manager->SetFilter(filter ? *filter : HidDeviceFilter{});
    }
}

void HidSetCallback(HidReportCallback callback, uint32_t slot) {
    if (auto manager = UseSlot(slot)) {
        manager->SetCallback(callback);
    }
}

uint32_t HidOpen(ui::WindowHandle owner, ui::UINT noticeMessage, uint32_t slot) {
    auto manager = UseSlot(slot);
    return manager ? manager->Open(owner, noticeMessage) : 0;
}

uint32_t HidWrite(uint32_t deviceId, const uint8_t* data, uint32_t length, uint32_t slot) {
    if (data == nullptr && length != 0) {
        return 0;
    }
    auto manager = UseSlot(slot);
    if (!manager) {
        return 0;
    }
    return manager->Write(deviceId, std::span<const uint8_t>(data, length));
}

void HidClose(uint32_t slot) {
    std::shared_ptr<HidDeviceManager> manager;
    if (slot >= kSlotCount) {
        return;
    }
    {
        std::lock_guard lock(g_lock);
        manager.swap(g_slots[slot]);
    }
    if (manager) {
        manager->Close();
    }
}

std::optional<std::string> HidInitialize() {
    std::lock_guard lock(g_lock);
    return ChooseBackendLocked();
}

std::vector<std::string> HidPermissionDeniedNodes(uint32_t slot) {
    auto manager = ExistingSlot(slot);
    return manager ? manager->PermissionDeniedPaths() : std::vector<std::string>{};
}

namespace testing {

void HidUseBackend(std::shared_ptr<HidBackend> backend) {
    std::lock_guard lock(g_lock);
    g_backend = std::move(backend);
}

void HidInjectPowerEvent(uint32_t slot, bool suspend) {
    if (auto manager = ExistingSlot(slot)) {
        manager->InjectPowerEvent(suspend);
    }
}

} // namespace testing
} // namespace hid
