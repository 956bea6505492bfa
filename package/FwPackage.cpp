// FwPackage: the in-memory package.
#include "package/FwPackage.h"

namespace package {

void FwPackage::Clear() {
    m_package.fill(0);
    for (size_t i = 0; i < kImageCount; ++i) {
        // Swap with empties so that the memory is given back, not just the sizes reset.
        std::vector<uint8_t>().swap(m_pImage[i]);
        std::vector<uint8_t>().swap(m_pVerRecord[i]);
    }
}

} // namespace package
