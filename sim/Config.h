// The simulated keyboard's settings, and their parser for the KESTREL_SIM text.
//
// KESTREL_SIM is a list of `key=value` items separated by ';' (blanks around items and empty items
// are ignored; an unknown key or a bad value is an error naming the item). The defaults describe a
// keyboard that the demo package updates: hardware id "ORVANE-KS75-HW01", layout 0x0409, AP device
// 37A1:0101, IAP device 37A1:0F01, firmware 1.1.0 (older than the package), one update target.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/Identity.h"

namespace sim {

// Faults the keyboard can be told to show (`fault=NAME[,NAME...]`).
enum class Fault : size_t {
    DropAnswerOnce,         // drop-answer-once: the first request the IAP identity receives is not answered
    DropAnswers,            // drop-answers: nothing is ever answered (requests still take effect)
    WrongPointerOnce,       // wrong-pointer-once: the first block write is not taken and reports a wrong pointer
    ChecksumOnce,           // checksum-once: the first checksum answer is wrong, later ones right
    ChecksumTwiceSame,      // checksum-twice-same: the first two checksum answers are the same wrong sum
    ChecksumAlways,         // checksum-always: every checksum answer is wrong, a different one each time
    VersionReadbackOnce,    // version-readback-once: the first read-back of info block 0 after a version write differs
    VersionReadbackAlways,  // version-readback-always: every such read-back differs
    RefuseIap,              // refuse-iap: EnterIap is refused, the keyboard stays in AP mode
    NeverReturns,           // never-returns: EnterIap drops the AP identity and nothing comes back
    UnplugDuringWrite,      // unplug-during-write: the IAP identity goes away halfway through the image
    Noise,                  // noise: unrelated input reports before every answer
    TargetRefusesFlash,     // target-refuses-flash: a target other than 0 refuses every flash command
    kCount
};

// The name used in `fault=` for `fault` ("drop-answer-once", ...).
std::string_view FaultName(Fault fault);

struct UsbId {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    bool operator==(const UsbId&) const = default;
};

struct FirmwareVersion {
    uint8_t major = 0;
    uint8_t minor = 0;
    uint32_t build = 0;
    bool operator==(const FirmwareVersion&) const = default;
};

inline constexpr std::array<uint8_t, 16> kDefaultHardwareId = {'O', 'R', 'V', 'A', 'N', 'E', '-', 'K',
                                                               'S', '7', '5', '-', 'H', 'W', '0', '1'};
inline constexpr uint32_t kMaxTargets = 16;

struct Config {
    // The identity the keyboard is in when it is connected; nullopt: no keyboard (`keyboard=none`).
    std::optional<Identity> start = Identity::Ap;
    std::array<uint8_t, 16> hardwareId = kDefaultHardwareId;
    uint16_t layoutId = 0x0409;
    UsbId ap{0x37A1, 0x0101};
    UsbId iap{0x37A1, 0x0F01};
    // The application firmware's version as APInfo reports it; nullopt: "no version" (FF FF).
    std::optional<FirmwareVersion> version = FirmwareVersion{1, 1, 0};
    uint32_t targetCount = 1;     // 1..kMaxTargets update targets behind the AP device
    uint32_t hardwareTarget = 0;  // the one target that reports `hardwareId`; the others differ
    std::bitset<static_cast<size_t>(Fault::kCount)> faults;
    // Speed factor of program time; stored only, the bus applies it while the simulation is in use.
    double timeScale = 1.0;
    // Where WriteDump writes the flash (and PATH.ver the version area); empty: no dump.
    std::string dumpPath;

    bool Has(Fault fault) const { return faults.test(static_cast<size_t>(fault)); }
    void Set(Fault fault) { faults.set(static_cast<size_t>(fault)); }
};

// Either a config or the message that names the first bad item.
struct ConfigResult {
    std::optional<Config> config;
    std::string error;

    explicit operator bool() const { return config.has_value(); }
};

// Parses a KESTREL_SIM text; an empty text gives the defaults.
ConfigResult ParseConfig(std::string_view text);

} // namespace sim
