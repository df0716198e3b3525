# x86_64 Windows build, run under wine64. The posix thread model gives
# std::thread/std::mutex to GoogleTest.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
q_mingw_toolchain(x86_64 posix)
