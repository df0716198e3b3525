# i686 Windows release build: the shipped 32-bit installer. The win32 thread
# model keeps winpthread out of the static image.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
q_mingw_toolchain(i686 win32)
