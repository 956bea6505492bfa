// Set-up and diagnostics of the HID transport beyond its five operations: choosing the back-end,
// asking which nodes refused us, and the hooks tests use.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hid {

class HidBackend;

// Chooses the process's back-end if none is chosen yet: KESTREL_HID=sim gives the simulated bus
// configured by KESTREL_SIM, anything else the platform's. Returns the error text when the choice
// fails (a bad KESTREL_SIM); the caller decides what to do with it (the program prints it on
// standard error and exits with code 1). The five operations call this themselves on first use;
// an error there is written to standard error and ends the process with code 1, so a misconfigured
// simulation never falls back to real hardware silently. Caller's thread.
std::optional<std::string> HidInitialize();

// Device paths of nodes that matched the slot's filter but could not be opened for lack of
// permission, as last seen (a node that later opens, or goes away, leaves the list). Empty for a
// slot that is not in use.
std::vector<std::string> HidPermissionDeniedNodes(uint32_t slot);

namespace testing {

// Makes `backend` the process's back-end (nullptr: none chosen, the next use chooses again).
// Every slot must be closed.
void HidUseBackend(std::shared_ptr<HidBackend> backend);

// As if the platform had reported a system suspend (true) or resume (false) to the slot.
void HidInjectPowerEvent(uint32_t slot, bool suspend);

} // namespace testing
} // namespace hid
