// The keyboard's two USB identities, one present at a time: the application-mode device (AP) and
// the boot loader (IAP).
#pragma once

namespace sim {

enum class Identity { Ap, Iap };

} // namespace sim
