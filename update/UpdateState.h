// The controller state that the update engine reads and writes: retry limit, target, selection and
// the keyboard's information records. The main window holds it as part of itself.
//
// Threads: the user-interface thread and, during a run, the update worker both use it, so the
// selection and the target are atomics and the records are copied in and out under a lock.
#pragma once

#include <atomic>
#include <mutex>

#include "device/Records.h"

namespace kestrel {

// Values of m_nSelImage besides an image index 0..8.
inline constexpr int kSelNoLayout = -1;    // no image for the keyboard's layout (or the bin: number)
inline constexpr int kSelHwMismatch = -2;  // the keyboard's hardware id is not the package's
inline constexpr int kSelInfoFailed = -3;  // the information query failed

struct UpdateState {
    UpdateState() { m_verInfo.fill(0xFF); }

    int m_nRetry = 15;                // attempt limit of every retry loop
    std::atomic<int> m_nTarget{0};    // 0: update through the IAP channel; else through the AP channel
    std::atomic<int> m_nSelImage{kSelNoLayout};

    // The records as a whole, copied under the lock (any thread).
    device::FWInfo FwInfo() const {
        std::lock_guard lock(m_infoLock);
        return m_fwInfo;
    }
    device::VerInfo VerInfoBlock() const {
        std::lock_guard lock(m_infoLock);
        return m_verInfo;
    }
    device::APInfo ApInfoBlock() const {
        std::lock_guard lock(m_infoLock);
        return m_apInfo;
    }
    void StoreFwInfo(const device::FWInfo& value) {
        std::lock_guard lock(m_infoLock);
        m_fwInfo = value;
    }
    void StoreVerInfo(const device::VerInfo& value) {
        std::lock_guard lock(m_infoLock);
        m_verInfo = value;
    }
    void StoreApInfo(const device::APInfo& value) {
        std::lock_guard lock(m_infoLock);
        m_apInfo = value;
    }

private:
    mutable std::mutex m_infoLock;
    device::FWInfo m_fwInfo{};      // FWInfo of the keyboard
    device::APInfo m_apInfo{};      // APInfo: the application firmware's version
    device::VerInfo m_verInfo{};    // VerInfo (information block 0), all 0xFF until read
};

} // namespace kestrel
