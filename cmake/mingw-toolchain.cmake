# What the cross builds share: Debian's mingw-w64 compilers for PROCESSOR
# (i686, x86_64) with a thread model (win32, posix), and the search kept
# inside that target's own root.
macro(q_mingw_toolchain processor threads)
  set(CMAKE_SYSTEM_NAME Windows)
  set(CMAKE_SYSTEM_PROCESSOR ${processor})
  set(CMAKE_C_COMPILER ${processor}-w64-mingw32-gcc-${threads})
  set(CMAKE_CXX_COMPILER ${processor}-w64-mingw32-g++-${threads})
  set(CMAKE_RC_COMPILER ${processor}-w64-mingw32-windres)
  set(CMAKE_FIND_ROOT_PATH /usr/${processor}-w64-mingw32)
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
endmacro()
