// The simulated keyboard: the device side of the IAP protocol, for tests and the demo.
//
// It has two USB identities, one present at a time: the application-mode device (AP) and the boot
// loader (IAP). It is plugged into a host (the simulated HID bus of device/hid/sim), receives the
// 64-byte requests written to the present identity and answers with 64-byte input reports.
//
// Device model (sim/Protocol.h): one flat address space per update target, the version area below
// the application start 0x1000 and 64 KiB of application flash from there; FWInfo reports erase
// factors 1024 x 64 and that start. Choices the keyboard makes where the protocol leaves them open:
// - GetAPInfoBlock names block 80, past the version area, so that reading back a version record of
//   any length (info blocks 0, 1, ...) never meets APInfo.
// - EraseFlash with a count equal to the application start erases the version area; any other
//   count erases min(count, 64 KiB) bytes from the application start.
// - On ResetDevice the application reports the version its VerInfo text names ("1.2.30",
//   "V1.2.30"); with no text or another text it keeps the version it had.
// - A refused request is answered FF AA 00 00 + its bytes 0, 1 on both identities (the updater's
//   IAP channel does not take that form, so there it ends as a time-out).
// - unplug-during-write pulls the IAP identity once the image bytes written reach half of the demo
//   package's image for the configured layout (24576 bytes for 0x0409).
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "sim/Config.h"
#include "sim/Identity.h"

namespace sim {

// What the keyboard needs of the bus it is plugged into. Calls may come from any thread, the bus
// must accept them at any time (also from inside HandleRequest). The keyboard holds no lock of its
// own during these calls, so the bus may call back into HandleRequest from them. A Deliver racing
// with the identity's Unplug (the keyboard switching while an answer is on its way) can arrive just
// after the Unplug: the bus drops reports of an identity that is not plugged, as a real bus would.
class KeyboardHost {
public:
    virtual ~KeyboardHost() = default;
    // The identity's HID interface appears (usage page 0xFF00, usage 1, 64-byte reports, report id 0).
    virtual void Plug(Identity identity, uint16_t vendorId, uint16_t productId) = 0;
    // The identity's HID interface goes away.
    virtual void Unplug(Identity identity) = 0;
    // One input report of the identity: 64 data bytes (the bus adds the report id byte).
    virtual void Deliver(Identity identity, std::span<const uint8_t> report) = 0;
};

class Keyboard {
public:
    explicit Keyboard(Config config);
    ~Keyboard();
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;

    // Plugs the starting identity into `host` (none for keyboard=none). The host must outlive Disconnect.
    void Connect(KeyboardHost& host);
    // Unplugs and stops every pending identity switch; no host call happens after it returns.
    // It waits for host calls in progress, so call it neither from a host call nor while holding a
    // lock that the host's calls take. Connect may follow again (a switch that was pending is lost).
    void Disconnect();

    // A request of 64 data bytes (the output report without its report id) written to `identity`.
    // Runs on the writer's thread; answers go through KeyboardHost::Deliver, identity switches
    // happen after a short delay on the keyboard's own thread.
    void HandleRequest(Identity identity, std::span<const uint8_t> request);

    // Writes the dump files that `dump=PATH` asks for (PATH and PATH.ver); false when not asked or
    // not writable.
    bool WriteDump() const;

    const Config& GetConfig() const;

    struct State;  // flash, version area, write pointer, targets, fault counters (sim/KeyboardState.h)
    const State& Inspect() const;  // for tests, after Disconnect

private:
    std::unique_ptr<State> m_state;
};

} // namespace sim
