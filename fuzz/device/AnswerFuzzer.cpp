// Fuzzes answer recognition: the input is a waiting request (64 bytes) followed by an input report
// of any length. Recognition must never read past the report, and its rules must hold together:
// whatever the IAP channel accepts the AP channel accepts too, and the AP channel accepts more only
// through the error answer naming the request.
#include "device/Answer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < device::kReportBytes) {
        return 0;
    }
    device::Report request{};
    std::copy_n(data, request.size(), request.begin());
    const std::span<const uint8_t> inputReport(data + request.size(), size - request.size());

    const device::Report answer = device::AnswerFromInputReport(inputReport);
    const bool onAp = device::IsAnswerTo(request, answer, device::AnswerRules::ApChannel);
    const bool onIap = device::IsAnswerTo(request, answer, device::AnswerRules::IapChannel);
    if (onIap && !onAp) {
        std::abort();
    }
    if (onAp && !onIap &&
        !(device::IsErrorAnswer(answer) && answer[4] == request[0] && answer[5] == request[1])) {
        std::abort();
    }
    return 0;
}
