// The transport's five operations over the slot table, and the process's back-end.
//
// Slots are held by shared pointers: a HidWrite on the update thread that races the caller's
// HidClose keeps the slot's manager alive until it returns (and then finds no device).
#include <array>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device/hid/BackendFactory.h"
#include "device/hid/Hid.h"
#include "device/hid/HidDeviceManager.h"
#include "device/hid/HidSetup.h"
#include "sys/Process.h"
#include "sys/SupportLog.h"

namespace hid {
namespace {

std::mutex g_lock;  // guards both below
std::shared_ptr<HidBackend> g_backend;
std::array<std::shared_ptr<HidDeviceManager>, kSlotCount> g_slots;
// The vendor and product id of each slot's last filter, for the permission message.
std::array<std::pair<uint32_t, uint32_t>, kSlotCount> g_filterIds{};

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

std::string Hex4(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value & 0xFFFF));
    return text;
}

// The <name> of the rule file the message proposes: the program's file name with letters and digits
// kept (lower case) and every run of anything else one '-'.
std::string RuleName(const std::filesystem::path& program) {
    std::string name;
    bool separated = false;
    for (const char c : program.stem().string()) {
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!digit && !letter) {
            separated = true;
            continue;
        }
        if (separated && !name.empty()) {
            name.push_back('-');
        }
        separated = false;
        name.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return name.empty() ? "keyboard" : name;
}

// The path as one shell word: as it is when it holds only safe characters, else in single quotes.
std::string ShellWord(const std::string& text) {
    const bool safe = !text.empty() && text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                             "0123456789/._-+:") == std::string::npos;
    if (safe) {
        return text;
    }
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Two lines for standard error: the node that refused us, and the rule that lets the user open it.
std::string PermissionDeniedMessage(const std::string& node, uint32_t vendorId, uint32_t productId,
                                    const std::filesystem::path& program) {
    return "kestrel: " + node + " matches this keyboard (" + Hex4(vendorId) + ":" + Hex4(productId) +
           ") but cannot be opened: permission denied.\n"
           "kestrel: install the udev rule: kestrel-pack --udev-rules " + ShellWord(program.string()) +
           " | sudo tee /etc/udev/rules.d/70-kestrel-" + RuleName(program) +
           ".rules && sudo udevadm control --reload && sudo udevadm trigger --subsystem-match=hidraw\n";
}

// Caller's thread, after an open that attached nothing: tells the user on standard error about every
// node that matched the filter but refused us, so that a keyboard the window never shows is not a
// mystery. The transport's users are the updater's channels, so the advice names the updater's rule.
void ReportPermissionDenied(uint32_t slot, uint32_t vendorId, uint32_t productId) {
    // Once per node for the whole run: the channels open again after every mode switch.
    static std::mutex s_lock;
    static std::set<std::string> s_told;
    const std::vector<std::string> nodes = HidPermissionDeniedNodes(slot);
    if (nodes.empty()) {
        return;
    }
    const std::filesystem::path program = sys::ExecutablePath();
    std::lock_guard lock(s_lock);
    for (const std::string& node : nodes) {
        if (!s_told.insert(node).second) {
            continue;
        }
        const std::string message = PermissionDeniedMessage(node, vendorId, productId, program);
        std::fwrite(message.data(), 1, message.size(), stderr);
        std::fflush(stderr);
        sys::SupportLog("device", "permission denied: " + node);
    }
}
} // namespace

void HidSetFilter(const HidDeviceFilter* filter, uint32_t slot) {
    if (auto manager = UseSlot(slot)) {
        const HidDeviceFilter taken = filter ? *filter : HidDeviceFilter{};
        manager->SetFilter(taken);
        std::lock_guard lock(g_lock);
        g_filterIds[slot] = {taken.vendorId, taken.productId};
    }
}

void HidSetCallback(HidReportCallback callback, uint32_t slot) {
    if (auto manager = UseSlot(slot)) {
        manager->SetCallback(callback);
    }
}

uint32_t HidOpen(ui::WindowHandle owner, ui::UINT noticeMessage, uint32_t slot) {
    auto manager = UseSlot(slot);
    if (!manager) {
        return 0;
    }
    const uint32_t result = manager->Open(owner, noticeMessage);
    if (result == 0) {
        std::pair<uint32_t, uint32_t> ids;
        {
            std::lock_guard lock(g_lock);
            ids = g_filterIds[slot];
        }
        ReportPermissionDenied(slot, ids.first, ids.second);
    }
    return result;
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
