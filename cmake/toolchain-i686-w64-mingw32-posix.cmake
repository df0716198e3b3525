# i686 Windows test build, run under 32-bit Wine: the same code generation
# as the release build, with the posix thread model that gives GoogleTest
# std::mutex. The shipped programs come from the release build (win32
# thread model, toolchain-i686-w64-mingw32.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
q_mingw_toolchain(i686 posix)
