// The library's own module handle, recorded by the Windows module entry; the editor registers its
// window class, creates its window and loads its bitmaps with it. Null on other systems.
#pragma once

extern void* moduleInstance;
