// The command table as the keyboard answers it.
//
// AP identity: targets, EnterIap, the info queries; flash commands only for a selected target other
// than 0 (such a target takes them without a switch, and EnterIap leaves the AP identity in place).
// IAP identity (target 0's boot loader): the info queries, erase, write pointer, block writes,
// checksum and ResetDevice. A request either
// identity refuses is answered FF AA 00 00 with bytes 4, 5 = its bytes 0, 1 (the IAP channel of
// the updater does not accept that form, so there it ends as a time-out, as on a real keyboard).
#include "sim/Commands.h"

#include <algorithm>
#include <optional>

#include "sim/VersionRecord.h"
#include "sys/ByteOrder.h"
#include "sys/Clock.h"

namespace sim {
namespace {

using namespace protocol;

struct Request {
    Keyboard::State& state;
    Identity identity;
    const Report& bytes;

    uint8_t Group() const { return bytes[0]; }
    uint8_t Sub() const { return bytes[1]; }
    uint32_t Arg(size_t offset) const { return sys::ReadLe32(bytes, offset); }
    bool Has(Fault fault) const { return state.config.Has(fault); }
};

using Answer = std::optional<Report>;  // nullopt: the keyboard sends nothing back

Report Echo(const Report& request) {
    Report answer{};
    std::copy_n(request.begin(), 4, answer.begin());
    return answer;
}

Report EchoWith32(const Report& request, uint32_t value) {
    Report answer = Echo(request);
    sys::WriteLe32(answer, 4, value);
    return answer;
}

Report Refused(const Report& request) {
    Report answer{};
    answer[0] = kErrorByte0;
    answer[1] = kErrorByte1;
    answer[4] = request[0];
    answer[5] = request[1];
    return answer;
}

bool IsRefusal(const Report& answer) { return answer[0] == kErrorByte0 && answer[1] == kErrorByte1; }

// The unrelated reports that `noise` puts before every answer: a report as the keyboard's own input
// collection would send it, and an echo of the request whose bytes 2-3 differ (with bytes that
// would be a wrong pointer or sum if it were taken for the answer).
void AddNoise(std::vector<Report>& out, const Report& request) {
    Report unrelated{};
    unrelated[0] = 0x01;
    unrelated[1] = 0x00;
    unrelated[4] = 0x04;
    out.push_back(unrelated);

    Report wrongEcho;
    wrongEcho.fill(0xEE);
    wrongEcho[0] = request[0];
    wrongEcho[1] = request[1];
    wrongEcho[2] = static_cast<uint8_t>(request[2] ^ 0x01);
    wrongEcho[3] = static_cast<uint8_t>(request[3] ^ 0x80);
    out.push_back(wrongEcho);
}

// The keyboard leaves `from` now and comes back as `to` after the switch delay (never, without `to`).
void Restart(Request& r, Identity from, std::optional<Identity> to) {
    r.state.identity.reset();
    QueueSwitch(r.state, 0, false, from);
    if (to) {
        QueueSwitch(r.state, kSwitchDelayMs, true, *to);
    }
}

// A restarted application reports the version its version record names; with none (or a text that
// is not MAJOR.MINOR.BUILD) it keeps reporting what it did before.
void RestartApplication(Target& target) {
    if (const auto version = VersionFromText(target.memory.VersionArea())) {
        target.version = version;
    }
}

// Image bytes after which `unplug-during-write` pulls the IAP identity: half of the demo package's
// image for the keyboard's layout.
uint32_t UnplugThreshold(uint16_t layoutId) {
    switch (layoutId) {
    case 0x0409: return 49152 / 2;
    case 0x0407: return 40960 / 2;
    default: return 32768 / 2;
    }
}

Answer TargetCommand(Request& r) {
    Keyboard::State& s = r.state;
    if (r.identity != Identity::Ap) {
        return Refused(r.bytes);
    }
    switch (r.Sub()) {
    case kGetTarget: return EchoWith32(r.bytes, s.selectedTarget);
    case kGetTargetCount: return EchoWith32(r.bytes, s.config.targetCount);
    case kSelectTarget: {
        const uint32_t index = r.Arg(4);
        if (index >= s.config.targetCount) {
            return Refused(r.bytes);
        }
        s.selectedTarget = index;
        return Echo(r.bytes);
    }
    default: return Refused(r.bytes);
    }
}

Answer ModeCommand(Request& r) {
    Keyboard::State& s = r.state;
    if (r.Sub() == kEnterIap) {
        if (r.identity != Identity::Ap || r.Has(Fault::RefuseIap)) {
            return Refused(r.bytes);
        }
        ++s.counters.enterIap;
        if (s.selectedTarget != 0) {
            // A target behind the AP device switches on its own; the AP identity stays.
            return std::nullopt;
        }
        Restart(r, Identity::Ap, r.Has(Fault::NeverReturns) ? std::nullopt : std::optional(Identity::Iap));
        return std::nullopt;
    }
    if (r.Sub() == kResetDevice) {
        if (r.identity == Identity::Ap) {
            // A target behind the AP device restarts on its own; the AP identity stays.
            if (s.selectedTarget == 0) {
                return Refused(r.bytes);
            }
            ++s.counters.resets;
            RestartApplication(s.TargetFor(Identity::Ap));
            return std::nullopt;
        }
        ++s.counters.resets;
        RestartApplication(s.TargetFor(Identity::Iap));
        Restart(r, Identity::Iap, Identity::Ap);
        return std::nullopt;
    }
    return Refused(r.bytes);
}

Report FwInfoAnswer(const Request& r, const Target& target) {
    Report answer = Echo(r.bytes);
    const auto record = std::span<uint8_t>(answer).subspan(kAnswerRecordOffset);
    std::copy(target.hardwareId.begin(), target.hardwareId.end(), record.begin() + kFwHardwareId);
    sys::WriteLe16(record, kFwLayoutId, r.state.config.layoutId);
    sys::WriteLe16(record, kFwEraseFactorA, kEraseFactorA);
    sys::WriteLe16(record, kFwEraseFactorB, kEraseFactorB);
    sys::WriteLe16(record, kFwAppStart, kAppStart);
    return answer;
}

Answer InfoBlockAnswer(Request& r, Target& target, uint32_t n) {
    Counters& counters = r.state.counters;
    std::array<uint8_t, kInfoBlockSize> block =
        n == kApInfoBlock ? ApInfoRecord(target.version) : target.memory.InfoBlock(n);
    if (n == 0 && target.versionWritten) {
        ++counters.versionReadbacks;
        if (r.Has(Fault::VersionReadbackAlways) ||
            (r.Has(Fault::VersionReadbackOnce) && counters.versionReadbacks == 1)) {
            block[4] ^= 0xFF;  // the first byte of the version text
        }
    }
    Report answer = Echo(r.bytes);
    std::copy(block.begin(), block.end(), answer.begin() + kAnswerRecordOffset);
    return answer;
}

Answer InfoCommand(Request& r) {
    Target& target = r.state.TargetFor(r.identity);
    if (r.Sub() == kGetFwInfo) {
        return FwInfoAnswer(r, target);
    }
    if (r.Sub() == kGetApInfoBlock) {
        Report answer = Echo(r.bytes);
        answer[kApInfoMarkerOffset] = kApInfoMarker;
        sys::WriteLe16(answer, kApInfoBlockOffset, kApInfoBlock);
        return answer;
    }
    if (r.Sub() >= kReadInfoBlockBase) {
        return InfoBlockAnswer(r, target, r.Sub() - kReadInfoBlockBase);
    }
    return Refused(r.bytes);
}

uint32_t ReportedChecksum(Request& r, uint32_t sum) {
    const uint32_t query = ++r.state.counters.checksumQueries;
    if (r.Has(Fault::ChecksumAlways)) {
        return sum + query;  // never the right sum, never the same twice
    }
    if ((r.Has(Fault::ChecksumTwiceSame) && query <= 2) || (r.Has(Fault::ChecksumOnce) && query == 1)) {
        return sum + 1;
    }
    return sum;
}

Answer EraseCommand(Request& r, Target& target) {
    if (r.Sub() == kEraseFlash) {
        target.memory.Erase(r.Arg(8));
        return Echo(r.bytes);
    }
    if (r.Sub() == kGetFlashChecksum) {
        return EchoWith32(r.bytes, ReportedChecksum(r, target.memory.WordSum(r.Arg(4), r.Arg(8))));
    }
    return Refused(r.bytes);
}

Answer PointerCommand(Request& r, Target& target) {
    if (r.Sub() == kGetWritePointer) {
        return EchoWith32(r.bytes, target.writePointer);
    }
    if (r.Sub() == kSetWritePointer) {
        const uint32_t address = r.Arg(4);
        if (address > kMemorySize) {
            return Refused(r.bytes);
        }
        target.writePointer = address;
        return EchoWith32(r.bytes, address);
    }
    return Refused(r.bytes);
}

Answer WriteBlockCommand(Request& r, Target& target) {
    Keyboard::State& s = r.state;
    const uint8_t length = r.Sub();
    const uint32_t address = target.writePointer;
    if (length == 0 || length > kMaxBlockBytes) {
        return Refused(r.bytes);
    }
    const uint32_t writes = ++s.counters.blockWrites;
    if (r.Has(Fault::WrongPointerOnce) && writes == 1) {
        return EchoWith32(r.bytes, address);  // not taken: the pointer has not moved
    }
    if (!target.memory.Write(address, std::span<const uint8_t>(r.bytes).subspan(kBlockDataOffset, length))) {
        return Refused(r.bytes);
    }
    target.writePointer = address + length;
    if (address < kAppStart) {
        target.versionWritten = true;
    }
    if (r.identity == Identity::Iap && target.writePointer > kAppStart) {
        s.counters.iapFlashBytes += target.writePointer - std::max<uint32_t>(address, kAppStart);
        if (r.Has(Fault::UnplugDuringWrite) && !s.counters.unplugFaultDone &&
            s.counters.iapFlashBytes >= UnplugThreshold(s.config.layoutId)) {
            s.counters.unplugFaultDone = true;
            Restart(r, Identity::Iap, Identity::Ap);
            return std::nullopt;
        }
    }
    // Real keyboards answer block writes in either form; alternate so that both are exercised.
    if (writes % 2 == 0) {
        Report answer{};
        answer[0] = kPointerGroup;
        answer[1] = kBlockWritten;
        sys::WriteLe32(answer, 4, target.writePointer);
        return answer;
    }
    return EchoWith32(r.bytes, target.writePointer);
}

Answer FlashCommand(Request& r) {
    if (r.identity == Identity::Ap && r.state.selectedTarget == 0) {
        return Refused(r.bytes);  // target 0 takes flash commands only after the switch
    }
    if (r.identity == Identity::Ap && r.Has(Fault::TargetRefusesFlash)) {
        return Refused(r.bytes);
    }
    Target& target = r.state.TargetFor(r.identity);
    switch (r.Group()) {
    case kEraseGroup: return EraseCommand(r, target);
    case kPointerGroup: return PointerCommand(r, target);
    default: return WriteBlockCommand(r, target);
    }
}

Answer Dispatch(Request& r) {
    switch (r.Group()) {
    case kTargetGroup: return TargetCommand(r);
    case kModeGroup: return ModeCommand(r);
    case kInfoGroup: return InfoCommand(r);
    case kEraseGroup:
    case kPointerGroup:
    case kWriteBlockGroup: return FlashCommand(r);
    default: return Refused(r.bytes);
    }
}

} // namespace

void QueueSwitch(Keyboard::State& state, uint32_t delayMs, bool plug, Identity identity) {
    const PendingSwitch entry{sys::RealDeadline(delayMs), plug, identity};
    const auto at = std::upper_bound(state.pending.begin(), state.pending.end(), entry,
                                     [](const PendingSwitch& a, const PendingSwitch& b) { return a.due < b.due; });
    state.pending.insert(at, entry);
}

std::vector<Report> ExecuteRequest(Keyboard::State& state, Identity identity, const Report& bytes) {
    Counters& counters = state.counters;
    if (state.identity != identity) {
        ++counters.ignoredRequests;
        return {};
    }
    const uint32_t received = ++counters.requests[IdentityIndex(identity)];
    Request request{state, identity, bytes};
    const Answer answer = Dispatch(request);
    if (!answer) {
        return {};
    }
    const bool firstIapRequest = identity == Identity::Iap && received == 1;
    if (request.Has(Fault::DropAnswers) || (request.Has(Fault::DropAnswerOnce) && firstIapRequest)) {
        ++counters.droppedAnswers;
        return {};
    }
    std::vector<Report> out;
    if (request.Has(Fault::Noise)) {
        AddNoise(out, bytes);
        counters.noiseReports += static_cast<uint32_t>(out.size());
    }
    out.push_back(*answer);
    ++counters.answers;
    if (IsRefusal(*answer)) {
        ++counters.errorAnswers;
    }
    return out;
}

} // namespace sim
