# The body of the four MinGW toolchain files: each sets wendle_mingw_processor
# (i686 or x86_64) and wendle_mingw_threads (win32 or posix) and includes this.
#   win32 threads: no winpthread is linked, which keeps the launcher small;
#                  Wendle.exe and wendle-pack.exe.
#   posix threads: GoogleTest needs std::mutex, which the win32 thread model of
#                  this MinGW lacks; the tests and the test doubles.
set(_triple ${wendle_mingw_processor}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${wendle_mingw_processor})
set(CMAKE_C_COMPILER ${_triple}-gcc-${wendle_mingw_threads})
set(CMAKE_CXX_COMPILER ${_triple}-g++-${wendle_mingw_threads})
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
