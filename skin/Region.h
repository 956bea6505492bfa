// Window regions made from skin mask pictures.
//
// Region: a set of pixels held as the union of a list of rectangles, which is the form the window
// framework takes a window region in (ui::SetWindowRegion).
//
// RegionData: the rectangle block a region is built from. It starts with room for kGrowBy
// rectangles and grows by kGrowBy whenever it is full, and keeps a header with its count and the
// bounds of what it holds.
//
// RegionFromMask: one rectangle, one pixel high, per horizontal run of non-white pixels of a mask.
// The rectangles are built into a region in batches of at most kBatchSize, each batch united into
// the result, so the rectangle block stays small whatever the mask holds.
//
// Threads: plain values and functions; any thread, one thread per object at a time.
#pragma once

#include "skin/SkinPicture.h"
#include "ui/Types.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace skin {

class Region {
public:
    Region() = default;
    explicit Region(std::vector<ui::Rect> rectangles);

    // Adds every pixel of `other` to this region.
    void Union(const Region& other);

    bool Contains(ui::Point p) const;
    bool IsEmpty() const { return m_rectangles.empty(); }
    // The rectangles whose union is the region; none of them is empty.
    const std::vector<ui::Rect>& Rectangles() const { return m_rectangles; }

private:
    std::vector<ui::Rect> m_rectangles;
};

struct RegionDataHeader {
    static constexpr uint32_t kRectangles = 1;

    uint32_t size = 32; // bytes of the header
    uint32_t type = kRectangles;
    uint32_t count = 0; // rectangles held
    uint32_t regionSize = 0;
    ui::Rect bounds = kEmptyBounds;

    // Bounds of no rectangle at all: any rectangle widens them to itself.
    static constexpr ui::Rect kEmptyBounds{0x7FFFFFFF, 0x7FFFFFFF, 0, 0};
};

class RegionData {
public:
    static constexpr uint32_t kGrowBy = 100; // rectangles per step of growth
    static constexpr uint32_t kHeaderBytes = 32;
    static constexpr uint32_t kRectangleBytes = 16;

    RegionData();

    // Appends `rect` (growing the block by kGrowBy first when it is full) and widens the bounds.
    void Add(const ui::Rect& rect);
    // Count back to 0 and the bounds to kEmptyBounds; the capacity stays.
    void Clear();

    const RegionDataHeader& Header() const { return m_header; }
    uint32_t Count() const { return m_header.count; }
    uint32_t Capacity() const { return static_cast<uint32_t>(m_block.size()); }
    // The size of the block: the header and room for Capacity() rectangles.
    size_t ByteSize() const { return kHeaderBytes + size_t{kRectangleBytes} * m_block.size(); }
    // The rectangles held, in the order they were added.
    std::span<const ui::Rect> Rectangles() const {
        return std::span<const ui::Rect>(m_block).first(m_header.count);
    }

private:
    RegionDataHeader m_header;
    std::vector<ui::Rect> m_block; // Capacity() slots, the first Count() in use
};

// A region of the rectangles held in `data`.
Region BuildRegion(const RegionData& data);

// Rectangles per batch of RegionFromMask.
inline constexpr uint32_t kBatchSize = 2000;

// Called with the rectangle block each time RegionFromMask builds a batch into a region, just before
// it is cleared.
using RegionBatchObserver = std::function<void(const RegionData& batch)>;

// The region of every pixel of `mask` that is not pure white (red, green and blue all 255); none
// when the holder is empty. A mask that is white everywhere gives an empty region.
std::optional<Region> RegionFromMask(const SkinPicture& mask, const RegionBatchObserver& onBatch = {});

} // namespace skin
