// <windows.h> for the library files that call the Windows API, without its
// min and max macros (which break std::min and std::max) and the rarely
// used parts that slow every build. Includes nothing elsewhere.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
