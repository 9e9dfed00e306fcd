# Turns the panel's BMP files into a C++ source with one byte array per resource id.
#   cmake -DSOURCE_DIR=<resources> -DOUTPUT=<file.cpp> -P embed-bitmaps.cmake
set(bitmaps
  101 knob-mask.bmp
  102 knob-strip.bmp
  103 toggle.bmp
  104 three-way.bmp
  105 indicator.bmp
  106 background.bmp
)
set(arrays "")
set(cases "")
list(LENGTH bitmaps count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET bitmaps ${i} id)
  list(GET bitmaps ${j} file)
  file(READ "${SOURCE_DIR}/${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "const std::uint8_t bitmap${id}[] = {\n${bytes}};\n")
  string(APPEND cases "        case ${id}: data = bitmap${id}; size = sizeof(bitmap${id}); return true;\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from resources/*.bmp by embed-bitmaps.cmake; do not edit.
#include \"resources/EmbeddedBitmaps.h\"

namespace {
${arrays}}  // namespace

bool findEmbeddedBitmap(int resourceId, const std::uint8_t*& data, std::size_t& size) {
    switch (resourceId) {
${cases}        default: return false;
    }
}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
