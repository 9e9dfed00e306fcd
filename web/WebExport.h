// Functions the page calls: exported from the WebAssembly module, plain C functions natively (where
// the reference renderer links the same glue).
#pragma once

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define WEB_EXPORT extern "C" EMSCRIPTEN_KEEPALIVE
#else
#define WEB_EXPORT extern "C"
#endif
