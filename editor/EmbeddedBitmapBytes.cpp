#include "editor/offscreen/DecodedBitmaps.h"
#include "resources/EmbeddedBitmaps.h"

BitmapBytes embeddedBitmapBytes(int resourceId) {
    BitmapBytes bytes;
    findEmbeddedBitmap(resourceId, bytes.data, bytes.size);
    return bytes;
}
