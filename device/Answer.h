// Recognising the keyboard's answer to the request a channel is waiting on. Pure functions over
// bytes: the channel's read-thread callback uses them, and so does the fuzzer.
#pragma once

#include "device/Records.h"

#include <cstdint>
#include <span>

namespace device {

// The AP channel also takes the device's error answer (FF AA, naming the refused command); the IAP
// channel does not, so a request the boot loader refuses ends by time-out.
enum class AnswerRules { ApChannel, IapChannel };

inline constexpr uint8_t kErrorAnswer0 = 0xFF;
inline constexpr uint8_t kErrorAnswer1 = 0xAA;

// The 64 data bytes of an input report whose byte 0 is the report id. Bytes beyond the report's end
// read as zero, so a short (or empty) report cannot be read past.
Report AnswerFromInputReport(std::span<const uint8_t> inputReport);

// Whether `answer` is the answer to the waiting `request`:
// - bytes 0..3 echo the request's; or
// - the request is a block write (1F) and the answer begins 1E 02; or
// - with the AP rules: the answer begins FF AA and bytes 4..5 name the request's bytes 0..1.
bool IsAnswerTo(const Report& request, const Report& answer, AnswerRules rules);

// Whether an accepted answer is the error answer, which fails the waiting command.
bool IsErrorAnswer(const Report& answer);

} // namespace device
