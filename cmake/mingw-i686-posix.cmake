# 32-bit Windows, posix thread model: the Windows-side tests.
set(wendle_mingw_processor i686)
set(wendle_mingw_threads posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
