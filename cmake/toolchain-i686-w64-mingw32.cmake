# i686 Windows release build: the shipped 32-bit installer, compiled by
# clang and linked by lld (smaller than GCC's code, and whole-program
# optimisation without GCC 12's i686 partitioning fault). The win32 thread
# model keeps winpthread out of the static image.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
q_mingw_clang_toolchain(i686 win32)
