// The one door to the Windows API: every Windows-only file includes this
// instead of <windows.h>, so its macros are set once and the same everywhere.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
