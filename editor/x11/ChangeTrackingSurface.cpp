#include "editor/x11/ChangeTrackingSurface.h"

#include <algorithm>

void PixelRect::unite(const PixelRect& other) {
    if (other.empty()) return;
    if (empty()) {
        *this = other;
        return;
    }
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
}

PixelRect PixelRect::clippedTo(int width, int height) const {
    PixelRect clipped{std::max(left, 0), std::max(top, 0), std::min(right, width), std::min(bottom, height)};
    return clipped.empty() ? PixelRect{} : clipped;
}

void ChangeTrackingSurface::copyBitmap(BitmapHandle bitmap, int sourceX, int sourceY, int width, int height,
                                       int destX, int destY, RasterMode mode) {
    if (bitmap == nullptr) return;
    blit(canvas, destX, destY, *static_cast<const RgbImage*>(bitmap), sourceX, sourceY, width, height, mode);
    note({destX, destY, destX + width, destY + height});
}

void ChangeTrackingSurface::fillRect(int left, int top, int right, int bottom, std::uint32_t colour) {
    fill(canvas, left, top, right, bottom, colour);
    note({left, top, right, bottom});
}

void ChangeTrackingSurface::note(PixelRect area) {
    changed.unite(area.clippedTo(canvas.width, canvas.height));
}
