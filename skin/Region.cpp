// Regions, their rectangle blocks and the conversion of mask pictures into regions.
#include "skin/Region.h"

#include <algorithm>
#include <utility>

namespace skin {
namespace {

bool IsTransparent(ui::Pixel p) {
    return ui::PixelRed(p) == 255 && ui::PixelGreen(p) == 255 && ui::PixelBlue(p) == 255;
}

// Builds `data` into a region, makes it the result or unites it into the result, and empties the
// block for the next batch.
void FlushBatch(RegionData& data, std::optional<Region>& result, const RegionBatchObserver& onBatch) {
    if (onBatch) {
        onBatch(data);
    }
    Region batch = BuildRegion(data);
    if (!result) {
        result = std::move(batch);
    } else {
        result->Union(batch);
    }
    data.Clear();
}

} // namespace

Region::Region(std::vector<ui::Rect> rectangles) : m_rectangles(std::move(rectangles)) {
    std::erase_if(m_rectangles, [](const ui::Rect& r) { return r.IsEmpty(); });
}

void Region::Union(const Region& other) {
    // The other region's rectangles are non-empty already; pixels they share with ours are covered
    // twice, which changes nothing in the union.
    m_rectangles.insert(m_rectangles.end(), other.m_rectangles.begin(), other.m_rectangles.end());
}

bool Region::Contains(ui::Point p) const {
    return std::any_of(m_rectangles.begin(), m_rectangles.end(),
                       [p](const ui::Rect& r) { return r.Contains(p); });
}

RegionData::RegionData() : m_block(kGrowBy) {}

void RegionData::Add(const ui::Rect& rect) {
    if (m_header.count == m_block.size()) {
        m_block.resize(m_block.size() + kGrowBy);
    }
    m_block[m_header.count] = rect;
    ui::Rect& b = m_header.bounds;
    b.left = std::min(b.left, rect.left);
    b.top = std::min(b.top, rect.top);
    b.right = std::max(b.right, rect.right);
    b.bottom = std::max(b.bottom, rect.bottom);
    ++m_header.count;
}

void RegionData::Clear() {
    m_header.count = 0;
    m_header.bounds = RegionDataHeader::kEmptyBounds;
}

Region BuildRegion(const RegionData& data) {
    const std::span<const ui::Rect> rects = data.Rectangles();
    return Region(std::vector<ui::Rect>(rects.begin(), rects.end()));
}

std::optional<Region> RegionFromMask(const SkinPicture& mask, const RegionBatchObserver& onBatch) {
    const ui::Surface* picture = mask.Get();
    if (picture == nullptr) {
        return std::nullopt;
    }
    const int32_t width = picture->Width();
    const int32_t height = picture->Height();

    RegionData data;
    std::optional<Region> result;
    for (int32_t y = 0; y < height; ++y) {
        const std::span<const ui::Pixel> row = picture->Row(y);
        for (int32_t x = 0; x < width; ++x) {
            const int32_t x0 = x;
            while (x < width && !IsTransparent(row[static_cast<size_t>(x)])) {
                ++x;
            }
            if (x > x0) {
                data.Add({x0, y, x, y + 1});
                if (data.Count() == kBatchSize) {
                    FlushBatch(data, result, onBatch);
                }
            }
            // x stands on a transparent pixel or at the width: the loop steps over it.
        }
    }
    // What is left, also when nothing is: the result always has at least this batch.
    FlushBatch(data, result, onBatch);
    return result;
}

} // namespace skin
