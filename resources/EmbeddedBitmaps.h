// The panel bitmaps compiled into the library (the BMP files of this folder, byte for byte), for
// builds without Windows resources. Ids are the resource ids 101 to 106.
#pragma once

#include <cstddef>
#include <cstdint>

// False, leaving data and size alone, for an id that is not one of the panel's bitmaps.
bool findEmbeddedBitmap(int resourceId, const std::uint8_t*& data, std::size_t& size);
