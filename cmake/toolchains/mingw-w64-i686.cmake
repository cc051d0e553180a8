# 32-bit Windows, the platform the plug-in was designed for. SSE2 as the
# floating-point unit (not the x87 stack) so results match the 64-bit builds.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VESK_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# Hosts built with other compilers may call in with the stack aligned to 4
# bytes only; SSE spills need 16, so functions realign what they need.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
