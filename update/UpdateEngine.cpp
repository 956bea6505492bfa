// The update engine: information query, image selection, version rule and the update run.
#include "update/UpdateEngine.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "device/CUSBDriver.h"
#include "package/WordSum.h"
#include "sys/ByteOrder.h"
#include "sys/Clock.h"
#include "sys/SupportLog.h"

namespace kestrel {

namespace {

constexpr uint32_t kVerLengthNone = 0xFFFFFFFFu;
constexpr size_t kVerTextOffset = 4;
constexpr size_t kVerTextMaxBytes = device::kInfoBlockBytes - kVerTextOffset;  // 56
constexpr uint32_t kPointerQuery = 0xFFFFFFFFu;
constexpr int kImageProgressStart = 10;
constexpr int kImageProgressSpan = 70;
constexpr int kVersionProgressStart = 80;
constexpr int kVersionProgressSpan = 20;
constexpr int kImageCount = static_cast<int>(package::kImageCount);

bool Ok(int result) { return result == device::kCommandOk; }

bool IsImageIndex(int sel) { return sel >= 0 && sel < kImageCount; }

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

// Support log: one step of the run with the number of tries it took.
void LogStep(const std::string& step, bool ok, int tries) {
    if (sys::SupportLogEnabled()) {
        sys::SupportLog("phase", step + (ok ? " ok" : " failed") + " after " + std::to_string(tries) +
                                     (tries == 1 ? " try" : " tries"));
    }
}

void LogPhase(const std::string& text) {
    sys::SupportLog("phase", text);
}

} // namespace

std::u16string CurrentVersionText(const device::VerInfo& verInfo) {
    const uint32_t length = sys::ReadLe32(verInfo, 0);
    const bool allFF = std::all_of(verInfo.begin() + kVerTextOffset, verInfo.begin() + kVerTextOffset + kVersionTextBytes,
                                   [](uint8_t b) { return b == 0xFF; });
    if (allFF || length == kVerLengthNone) {
        return {};
    }
    const size_t bytes = std::min<size_t>(length, kVerTextMaxBytes);
    std::u16string text;
    for (size_t offset = 0; offset + 2 <= bytes; offset += 2) {
        const char16_t unit = sys::ReadLe16(verInfo, kVerTextOffset + offset);
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

template <typename Attempt>
bool CUpdateEngine::Attempts(uint32_t pauseMs, Attempt&& attempt) {
    for (int i = 0; i < m_state.m_nRetry; ++i) {
        if (attempt()) {
            return true;
        }
        sys::Sleep(pauseMs);
    }
    return false;
}

void CUpdateEngine::GetInfo(IUpdateChannel& channel) {
    m_state.m_nSelImage = kSelInfoFailed;

    device::FWInfo fwInfo = m_state.FwInfo();
    int tries = 0;
    const bool infoRead = Attempts(kInfoRetryPauseMs, [&] {
        ++tries;
        return Ok(channel.GetFWInfo(fwInfo));
    });
    LogStep("get info: firmware information", infoRead, tries);
    if (!infoRead) {
        m_state.StoreFwInfo(fwInfo);
        return;
    }
    m_state.StoreFwInfo(fwInfo);

    tries = 0;
    const bool verRead = Attempts(kInfoRetryPauseMs, [&] {
        ++tries;
        device::VerInfo buffer{};
        const bool ok = Ok(channel.ReadInfoBlock(0, buffer));
        m_state.StoreVerInfo(buffer);  // also after a failed read, which leaves zeros
        return ok;
    });
    LogStep("get info: version block", verRead, tries);
    if (!verRead) {
        return;
    }

    device::APInfo apInfo = m_state.ApInfoBlock();
    tries = 0;
    const bool apRead = Attempts(kInfoRetryPauseMs, [&] {
        ++tries;
        uint32_t block = 0;
        return Ok(channel.GetAPInfoBlock(block)) && Ok(channel.ReadInfoBlock(block, apInfo));
    });
    m_state.StoreApInfo(apInfo);
    LogStep("get info: application information", apRead, tries);
    if (!apRead) {
        return;
    }
    SelectImage();
}

void CUpdateEngine::SelectImage() {
    m_state.m_nSelImage = kSelNoLayout;
    const device::FWInfo fwInfo = m_state.FwInfo();
    m_view.SetCurrentVersionText(CurrentVersionText(m_state.VerInfoBlock()));

    const auto packageId = m_package.Trailer().HardwareId();
    const auto keyboardId = device::fwinfo::HardwareId(fwInfo);
    if (!std::equal(packageId.begin(), packageId.end(), keyboardId.begin())) {
        m_state.m_nSelImage = kSelHwMismatch;
    } else {
        const uint16_t layout = device::fwinfo::LayoutId(fwInfo);
        for (int i = 0; i < kImageCount; ++i) {
            const package::FW_IMAGE_ENTRY entry = m_package.Entry(static_cast<size_t>(i));
            if (entry.IsEmpty()) {
                continue;
            }
            const bool match = m_options.m_nBinSelect == -1 ? entry.LayoutId() == layout
                                                            : i + 1 == m_options.m_nBinSelect;
            if (match) {
                m_state.m_nSelImage = i;
                break;
            }
        }
    }
    if (sys::SupportLogEnabled()) {
        const int sel = m_state.m_nSelImage;
        LogPhase("image selection for layout " + Hex(device::fwinfo::LayoutId(fwInfo)) + ": " +
                 (IsImageIndex(sel)              ? "entry " + std::to_string(sel)
                  : sel == kSelHwMismatch ? std::string("hardware id mismatch")
                                          : std::string("no entry for the layout")));
    }
    m_view.InvalidateAll();
}

bool CUpdateEngine::IsNewerThanDevice() const {
    const int sel = m_state.m_nSelImage;
    if (!IsImageIndex(sel)) {
        return false;
    }
    const device::APInfo v = m_state.ApInfoBlock();
    if (v[2] == 0xFF && v[3] == 0xFF) {
        return true;
    }
    const package::FW_IMAGE_ENTRY e = m_package.Entry(static_cast<size_t>(sel));
    if (e.Major() != v[2]) {
        return e.Major() > v[2];
    }
    if (e.Minor() != v[3]) {
        return e.Minor() > v[3];
    }
    return e.Build() >= sys::ReadLe32(v, 4);
}

bool CUpdateEngine::ConfirmWritePointer(IUpdateChannel& channel, uint32_t address) {
    int tries = 0;
    const bool confirmed = Attempts(kFlashRetryPauseMs, [&] {
        ++tries;
        if (!Ok(channel.SetWritePointer(address))) {
            return false;
        }
        uint32_t pointer = kPointerQuery;
        return Ok(channel.GetWritePointer(pointer)) && pointer == address;
    });
    LogStep("write pointer " + Hex(address), confirmed, tries);
    return confirmed;
}

bool CUpdateEngine::WriteBlocks(IUpdateChannel& channel, std::span<const uint8_t> data, uint32_t start,
                                int progressBase, int progressSpan) {
    const size_t blockSize = m_package.Trailer().BlockSize();
    if (blockSize == 0 || blockSize > device::kMaxBlockBytes) {
        return false;  // cannot be carried by a write request
    }
    const size_t blocks = (data.size() + blockSize - 1) / blockSize;
    const float step = blocks == 0 ? 0.0f : static_cast<float>(progressSpan) / static_cast<float>(blocks);

    uint32_t expected = start;
    uint32_t pointer = start;
    size_t done = 0;
    int retries = 0;
    // Support log: a summary line per call, and a line for each block that needed more than one try.
    const auto summary = [&](bool ok) {
        if (sys::SupportLogEnabled()) {
            LogPhase("blocks at " + Hex(start) + (ok ? " ok: " : " failed: ") + std::to_string(done) + " of " +
                     std::to_string(blocks) + " written, " + std::to_string(retries) + " retries");
        }
    };
    for (size_t off = 0; off < data.size(); off += blockSize) {
        const auto block = data.subspan(off, std::min(blockSize, data.size() - off));
        const auto len = static_cast<uint32_t>(block.size());
        const uint32_t address = expected;
        bool blockDone = false;
        int attempt = 0;
        for (; attempt < m_state.m_nRetry && !blockDone; ++attempt) {
            const bool written = Ok(channel.WriteBlock(block, pointer));
            if (pointer == expected + len) {
                expected = pointer;
                blockDone = written;
            } else if (!ConfirmWritePointer(channel, expected)) {
                summary(false);
                return false;  // the device no longer follows us: give the block up at once
            }
            if (!blockDone) {
                sys::Sleep(kFlashRetryPauseMs);
            }
        }
        if (attempt > 1) {
            retries += attempt - 1;
            LogStep("block " + std::to_string(done) + " at " + Hex(address), blockDone, attempt);
        }
        if (!blockDone) {
            summary(false);
            return false;
        }
        ++done;
        const float value = static_cast<float>(progressBase) + static_cast<float>(done) * step;
        m_view.SetProgress(static_cast<int>(value));
    }
    summary(true);
    return true;
}

bool CUpdateEngine::RunImagePasses(IUpdateChannel& channel, const device::FWInfo& info, int sel) {
    const package::FW_IMAGE_ENTRY entry = m_package.Entry(static_cast<size_t>(sel));
    const std::vector<uint8_t>& image = m_package.m_pImage[static_cast<size_t>(sel)];
    if (image.size() != entry.ImageSize()) {
        return false;  // the buffer does not hold what the table says
    }
    const uint32_t eraseCount = uint32_t{device::fwinfo::EraseFactorA(info)} * device::fwinfo::EraseFactorB(info);
    const uint32_t appStart = device::fwinfo::AppStart(info);
    const uint32_t sum = package::WordSum(image);

    int passes = 0;
    uint32_t remembered = 0;
    uint32_t deviceSum = 0;
    for (;;) {
        int tries = 0;
        const bool erased = Attempts(kFlashRetryPauseMs, [&] {
            ++tries;
            return Ok(channel.EraseFlash(eraseCount));
        });
        LogStep("image pass " + std::to_string(passes + 1) + ": erase " + std::to_string(eraseCount) + " bytes",
                erased, tries);
        if (!erased) {
            return false;
        }
        sys::Sleep(kAfterErasePauseMs);
        if (!ConfirmWritePointer(channel, appStart)) {
            return false;
        }
        m_view.SetProgress(kImageProgressStart);
        if (!WriteBlocks(channel, image, appStart, kImageProgressStart, kImageProgressSpan)) {
            return false;
        }
        // A failure keeps the last sum.
        const bool answered = Ok(channel.GetFlashChecksum(appStart, entry.ImageSize(), deviceSum));
        if (sys::SupportLogEnabled()) {
            LogPhase("checksum pass " + std::to_string(passes + 1) + ": keyboard " + Hex(deviceSum) +
                     (answered ? "" : " (no answer, last sum kept)") + ", image " + Hex(sum) +
                     (deviceSum == sum ? ": equal" : ": different"));
        }
        if (deviceSum == sum) {
            return true;
        }
        // The same wrong sum twice means the device keeps the same wrong content: stop after two.
        if (passes == 0 || (passes == 1 && deviceSum != remembered)) {
            ++passes;
            remembered = deviceSum;
            continue;
        }
        return false;
    }
}

bool CUpdateEngine::RunVersionPasses(IUpdateChannel& channel, const device::FWInfo& info, int sel) {
    sys::Sleep(kBeforeVersionPauseMs);
    if (!ConfirmWritePointer(channel, 0)) {
        return false;
    }
    std::vector<uint8_t>& record = m_package.m_pVerRecord[static_cast<size_t>(sel)];
    if (record.size() < kVersionPatchBytes) {
        return false;  // too short to carry the length and the version text
    }
    sys::WriteLe32(record, 0, kVersionTextBytes);
    const auto versionText = m_package.Trailer().Bytes().subspan(package::kVersionTextOffset, kVersionTextBytes);
    std::copy(versionText.begin(), versionText.end(), record.begin() + 4);

    const uint32_t appStart = device::fwinfo::AppStart(info);
    for (int pass = 0; pass < 2; ++pass) {
        // The keyboard's pointer stands behind the first pass's record: set it back to 0 first, or the
        // second pass's first block would land there, past the record, before the pointer rule
        // notices the wrong answer.
        if (pass > 0 && !ConfirmWritePointer(channel, 0)) {
            return false;
        }
        if (!WriteBlocks(channel, record, 0, kVersionProgressStart, kVersionProgressSpan)) {
            return false;
        }
        bool equal = true;
        for (size_t j = 0; equal && device::kInfoBlockBytes * j < record.size(); ++j) {
            device::InfoBlock block{};
            channel.ReadInfoBlock(static_cast<uint32_t>(j), block);  // a failed read leaves zeros
            const size_t offset = device::kInfoBlockBytes * j;
            const size_t count = std::min(device::kInfoBlockBytes, record.size() - offset);
            equal = std::equal(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(count),
                               record.begin() + static_cast<std::ptrdiff_t>(offset));
        }
        LogPhase("version pass " + std::to_string(pass + 1) + ": read-back " + (equal ? "equal" : "different"));
        if (equal) {
            return true;
        }
        channel.EraseFlash(appStart);  // clears the version area; the outcome is not looked at
    }
    return false;
}

void CUpdateEngine::FailureEnd(IUpdateChannel& channel, const device::FWInfo& info) {
    const uint32_t count = uint32_t{device::fwinfo::EraseFactorA(info)} + device::fwinfo::AppStart(info);
    int tries = 0;
    const bool erased = Attempts(kFlashRetryPauseMs, [&] {
        ++tries;
        return Ok(channel.EraseFlash(count));
    });
    LogStep("failure end: erase " + std::to_string(count) + " bytes", erased, tries);
    LogPhase("update failed");
    m_view.EnableAfterRun(channel.HasDevice());
    m_view.HandOver(false);
}

void CUpdateEngine::UpdateWorker(IUpdateChannel& apChannel, IUpdateChannel& iapChannel) {
    const bool throughAp = m_state.m_nTarget != 0;
    IUpdateChannel& channel = throughAp ? apChannel : iapChannel;

    m_view.SetProgress(0);
    LogPhase(std::string("update starts through the ") + (throughAp ? "ap channel, target " : "iap channel, target ") +
             std::to_string(m_state.m_nTarget) + ", entry " + std::to_string(m_state.m_nSelImage));
    device::FWInfo info{};
    int tries = 0;
    const bool infoRead = Attempts(kInfoRetryPauseMs, [&] {
        ++tries;
        return Ok(channel.GetFWInfo(info));
    });
    LogStep("firmware information", infoRead, tries);
    if (!infoRead) {
        FailureEnd(channel, info);
        return;
    }
    sys::Sleep(kAfterInfoPauseMs);
    const int sel = m_state.m_nSelImage;
    if (!IsImageIndex(sel) || !RunImagePasses(channel, info, sel) || !RunVersionPasses(channel, info, sel)) {
        FailureEnd(channel, info);
        return;
    }

    if (channel.HasDevice()) {
        const bool sent = Ok(channel.ResetDevice());  // whether it went out does not change the outcome
        LogPhase(sent ? "reset sent" : "reset not sent");
    } else {
        LogPhase("reset skipped: no device");
    }
    m_view.SetProgress(100);
    sys::Sleep(kAfterResetPauseMs);

    if (throughAp) {
        GetInfo(apChannel);
        LogPhase(std::string("verification: ") + (m_state.m_nSelImage < 0 ? "the keyboard's information cannot be read"
                                                                           : "the keyboard answers"));
        if (m_state.m_nSelImage < 0) {
            FailureEnd(channel, info);
            return;
        }
        m_view.EnableAfterRun(channel.HasDevice());
    } else {
        LogPhase("verification: left to the restarted keyboard's announcement");
        m_view.EnableAfterRun(false);  // the keyboard is restarting; its announcement enables them
    }
    LogPhase("update succeeded");
    m_view.HandOver(true);
}

} // namespace kestrel
