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

# The same target compiled by clang and linked by lld: clang's code for the
# libraries, with GCC's C++ library and support code from the mingw-w64
# compilers of that thread model (clang does not find them by itself: their
# folder is named "12-win32", not a version).
macro(q_mingw_clang_toolchain processor threads)
  q_mingw_toolchain(${processor} ${threads})
  execute_process(COMMAND ${processor}-w64-mingw32-gcc-${threads} -print-libgcc-file-name
                  OUTPUT_VARIABLE q_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(q_gcc_dir ${q_libgcc} DIRECTORY)
  set(q_cxx_include ${q_gcc_dir}/include/c++)
  set(CMAKE_C_COMPILER clang)
  set(CMAKE_CXX_COMPILER clang++)
  set(CMAKE_C_COMPILER_TARGET ${processor}-w64-mingw32)
  set(CMAKE_CXX_COMPILER_TARGET ${processor}-w64-mingw32)
  # Archives hold LLVM bitcode under link-time optimisation.
  set(CMAKE_AR llvm-ar)
  set(CMAKE_RANLIB llvm-ranlib)
  set(CMAKE_CXX_FLAGS_INIT "-nostdinc++ -isystem ${q_cxx_include} -isystem ${q_cxx_include}/${processor}-w64-mingw32 -isystem ${q_cxx_include}/backward")
  # -Oz: clang's smallest code (its -Os keeps speed-minded inlining).
  set(CMAKE_C_FLAGS_MINSIZEREL "-Oz -DNDEBUG" CACHE STRING "")
  set(CMAKE_CXX_FLAGS_MINSIZEREL "-Oz -DNDEBUG" CACHE STRING "")
  set(CMAKE_EXE_LINKER_FLAGS_INIT
      "-fuse-ld=lld -L${q_gcc_dir} -Wno-unused-command-line-argument")
endmacro()
