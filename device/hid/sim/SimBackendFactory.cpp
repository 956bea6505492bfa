// The simulated bus as the process's back-end: configured from KESTREL_SIM, with the keyboard's
// dump written when the process ends.
#include <memory>

#include "device/hid/BackendFactory.h"
#include "device/hid/sim/SimHidBackend.h"
#include "sim/Config.h"
#include "sys/Process.h"

namespace hid {

BackendChoice CreateSimHidBackend(const std::string& configText) {
    sim::ConfigResult parsed = sim::ParseConfig(configText);
    if (!parsed) {
        return BackendChoice{nullptr, "kestrel: " + parsed.error};
    }
    std::shared_ptr<SimHidBackend> bus = SimHidBackend::Create(std::move(*parsed.config));
    sys::AddExitHook([weak = std::weak_ptr<SimHidBackend>(bus)] {
        if (auto alive = weak.lock()) {
            alive->DisconnectKeyboard();
            alive->Keyboard().WriteDump();
        }
    });
    return BackendChoice{bus, {}};
}

} // namespace hid
