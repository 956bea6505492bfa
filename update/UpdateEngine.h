// The update engine: the information query that reads the keyboard's records and picks the image
// (GetInfo, SelectImage), the version rule (IsNewerThanDevice), and the update run (UpdateWorker):
// erase, image blocks, checksum passes, version record with read-back, reset and hand-over.
//
// Threads: GetInfo, SelectImage and IsNewerThanDevice run on the user-interface thread (GetInfo also
// on the worker after a run through the AP channel); ConfirmWritePointer, WriteBlocks and
// UpdateWorker run on the update worker thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "device/Records.h"
#include "package/FwPackage.h"
#include "update/KestrelOptions.h"
#include "update/UpdateChannel.h"
#include "update/UpdateState.h"
#include "update/UpdateView.h"

namespace kestrel {

// Pauses of the run, in program milliseconds.
inline constexpr uint32_t kInfoRetryPauseMs = 500;    // after a failed information query attempt
inline constexpr uint32_t kFlashRetryPauseMs = 1000;  // after a failed erase, block or pointer attempt
inline constexpr uint32_t kAfterInfoPauseMs = 10;
inline constexpr uint32_t kAfterErasePauseMs = 200;
inline constexpr uint32_t kBeforeVersionPauseMs = 100;
inline constexpr uint32_t kAfterResetPauseMs = 500;

// Bytes of the version record that the run overwrites: a length (26) and 13 units of version text.
inline constexpr uint32_t kVersionTextBytes = 26;
inline constexpr size_t kVersionPatchBytes = 4 + kVersionTextBytes;

// The keyboard's current version text from its VerInfo block: empty when the text area is all 0xFF
// or the length is 0xFFFFFFFF; otherwise up to `length` bytes (at most 56) of UTF-16LE, ending at a
// NUL unit as a window text does.
std::u16string CurrentVersionText(const device::VerInfo& verInfo);

class CUpdateEngine {
public:
    CUpdateEngine(UpdateState& state, const KestrelOptions& options, package::FwPackage& package,
                  IUpdateView& view)
        : m_state(state), m_options(options), m_package(package), m_view(view) {}

    // Reads FWInfo, VerInfo and APInfo from `channel`, with the retry budget per step, then selects
    // the image. Leaves m_nSelImage at -3 when a step fails.
    void GetInfo(IUpdateChannel& channel);
    // Current version text, hardware check and image match (layout or bin:); invalidates the window.
    void SelectImage();
    // True when the selected image may be installed without -force: the keyboard reports no version,
    // or the image's version is at least the keyboard's.
    bool IsNewerThanDevice() const;
    // Sets the write pointer and reads it back, with the retry budget; true when it reads back equal.
    bool ConfirmWritePointer(IUpdateChannel& channel, uint32_t address);
    // Writes `data` block by block from `start`, keeping the expected write pointer; after the k-th
    // done block the progress is base + k * (span / blocks). False when a block is not done.
    bool WriteBlocks(IUpdateChannel& channel, std::span<const uint8_t> data, uint32_t start, int progressBase,
                     int progressSpan);
    // The whole run through the channel that m_nTarget chooses (AP when nonzero, else IAP), ending
    // with the hand-over to the view. Worker thread.
    void UpdateWorker(IUpdateChannel& apChannel, IUpdateChannel& iapChannel);

private:
    // Runs `attempt` up to m_nRetry times, pausing `pauseMs` after each failed one (the last too).
    template <typename Attempt>
    bool Attempts(uint32_t pauseMs, Attempt&& attempt);

    bool RunImagePasses(IUpdateChannel& channel, const device::FWInfo& info, int sel);
    bool RunVersionPasses(IUpdateChannel& channel, const device::FWInfo& info, int sel);
    void FailureEnd(IUpdateChannel& channel, const device::FWInfo& info);

    UpdateState& m_state;
    const KestrelOptions& m_options;
    package::FwPackage& m_package;
    IUpdateView& m_view;
};

} // namespace kestrel
