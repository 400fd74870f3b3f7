# 64-bit Windows, win32 thread model: Wendle.exe and wendle-pack.exe.
set(wendle_mingw_processor x86_64)
set(wendle_mingw_threads win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
