// The update engine: information query, image selection, version rule and the update run.
#include "update/UpdateEngine.h"

#include <algorithm>

#include "device/CUSBDriver.h"
#include "package/WordSum.h"
#include "sys/ByteOrder.h"
#include "sys/Clock.h"

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
    if (!Attempts(kInfoRetryPauseMs, [&] { return Ok(channel.GetFWInfo(fwInfo)); })) {
        m_state.StoreFwInfo(fwInfo);
        return;
    }
    m_state.StoreFwInfo(fwInfo);

    const bool verRead = Attempts(kInfoRetryPauseMs, [&] {
        device::VerInfo buffer{};
        const bool ok = Ok(channel.ReadInfoBlock(0, buffer));
        m_state.StoreVerInfo(buffer);  // also after a failed read, which leaves zeros
        return ok;
    });
    if (!verRead) {
        return;
    }

    device::APInfo apInfo = m_state.ApInfoBlock();
    const bool apRead = Attempts(kInfoRetryPauseMs, [&] {
        uint32_t block = 0;
        return Ok(channel.GetAPInfoBlock(block)) && Ok(channel.ReadInfoBlock(block, apInfo));
    });
    m_state.StoreApInfo(apInfo);
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
    return Attempts(kFlashRetryPauseMs, [&] {
        if (!Ok(channel.SetWritePointer(address))) {
            return false;
        }
        uint32_t pointer = kPointerQuery;
        return Ok(channel.GetWritePointer(pointer)) && pointer == address;
    });
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
    for (size_t off = 0; off < data.size(); off += blockSize) {
        const auto block = data.subspan(off, std::min(blockSize, data.size() - off));
        const auto len = static_cast<uint32_t>(block.size());
        bool blockDone = false;
        for (int attempt = 0; attempt < m_state.m_nRetry && !blockDone; ++attempt) {
            const bool written = Ok(channel.WriteBlock(block, pointer));
            if (pointer == expected + len) {
                expected = pointer;
                blockDone = written;
            } else if (!ConfirmWritePointer(channel, expected)) {
                return false;  // the device no longer follows us: give the block up at once
            }
            if (!blockDone) {
                sys::Sleep(kFlashRetryPauseMs);
            }
        }
        if (!blockDone) {
            return false;
        }
        ++done;
        const float value = static_cast<float>(progressBase) + static_cast<float>(done) * step;
        m_view.SetProgress(static_cast<int>(value));
    }
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
        if (!Attempts(kFlashRetryPauseMs, [&] { return Ok(channel.EraseFlash(eraseCount)); })) {
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
        channel.GetFlashChecksum(appStart, entry.ImageSize(), deviceSum);  // a failure keeps the last sum
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
        if (equal) {
            return true;
        }
        channel.EraseFlash(appStart);  // clears the version area; the outcome is not looked at
    }
    return false;
}

void CUpdateEngine::FailureEnd(IUpdateChannel& channel, const device::FWInfo& info) {
    const uint32_t count = uint32_t{device::fwinfo::EraseFactorA(info)} + device::fwinfo::AppStart(info);
    Attempts(kFlashRetryPauseMs, [&] { return Ok(channel.EraseFlash(count)); });
    m_view.EnableAfterRun(channel.HasDevice());
    m_view.HandOver(false);
}

void CUpdateEngine::UpdateWorker(IUpdateChannel& apChannel, IUpdateChannel& iapChannel) {
    const bool throughAp = m_state.m_nTarget != 0;
    IUpdateChannel& channel = throughAp ? apChannel : iapChannel;

    m_view.SetProgress(0);
    device::FWInfo info{};
    const bool infoRead = Attempts(kInfoRetryPauseMs, [&] { return Ok(channel.GetFWInfo(info)); });
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
        channel.ResetDevice();  // whether it went out does not change the outcome
    }
    m_view.SetProgress(100);
    sys::Sleep(kAfterResetPauseMs);

    if (throughAp) {
        GetInfo(apChannel);
        if (m_state.m_nSelImage < 0) {
            FailureEnd(channel, info);
            return;
        }
        m_view.EnableAfterRun(channel.HasDevice());
    } else {
        m_view.EnableAfterRun(false);  // the keyboard is restarting; its announcement enables them
    }
    m_view.HandOver(true);
}

} // namespace kestrel
