# Options of the WebAssembly build, set before the engine, editor and plug-in targets exist.
# Nothing but the module is built: no tests, tools or benchmarks run inside a browser.
set(CALYX2_BUILD_TESTS OFF CACHE BOOL "" FORCE)
set(CALYX2_BUILD_TOOLS OFF CACHE BOOL "" FORCE)
set(CALYX2_BUILD_BENCH OFF CACHE BOOL "" FORCE)
# The panel runs on the offscreen window system, whose canvas the page copies into an HTML canvas.
set(CMAKE_DISABLE_FIND_PACKAGE_X11 TRUE)
# The SSE2 lane and filter loops run on WebAssembly SIMD through emscripten's SSE2 headers; the
# browser tests compare every sample with the native build.
add_compile_options(-msimd128 -msse2)
# Ahead of emscripten's own SSE headers: the same intrinsics with fast exact truncations.
include_directories(BEFORE ${CMAKE_CURRENT_LIST_DIR}/sse2)
