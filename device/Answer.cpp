// Answer recognition for the device channels.
#include "device/Answer.h"

#include <algorithm>

namespace device {

namespace {
constexpr uint8_t kBlockWrite = 0x1F;
constexpr uint8_t kPointerGroup = 0x1E;
constexpr uint8_t kBlockWriteAnswer = 0x02;
} // namespace

Report AnswerFromInputReport(std::span<const uint8_t> inputReport) {
    Report answer{};
    if (inputReport.size() <= 1) {
        return answer;
    }
    const auto data = inputReport.subspan(1);
    const size_t count = std::min(data.size(), answer.size());
    std::copy_n(data.begin(), count, answer.begin());
    return answer;
}

bool IsAnswerTo(const Report& request, const Report& answer, AnswerRules rules) {
    const bool echoed = std::equal(answer.begin(), answer.begin() + 4, request.begin());
    if (echoed) {
        return true;
    }
    if (request[0] == kBlockWrite && answer[0] == kPointerGroup && answer[1] == kBlockWriteAnswer) {
        return true;
    }
    return rules == AnswerRules::ApChannel && IsErrorAnswer(answer) && answer[4] == request[0] &&
           answer[5] == request[1];
}

bool IsErrorAnswer(const Report& answer) {
    return answer[0] == kErrorAnswer0 && answer[1] == kErrorAnswer1;
}

} // namespace device
