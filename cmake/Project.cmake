# Shared build rules: warnings as errors, shipped-code flags, sanitizers,
# static Windows images, GoogleTest for every target, the Wine test harness.

# A compiler cache, where the machine has one and the environment names no
# launcher: every build folder at the same depth in the tree shares its
# objects (the packaging's folder reuses the test build's).
find_program(Q_CCACHE ccache)
if(Q_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(launcher env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1 CCACHE_DEPEND=1
      ${Q_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
endif()

set(Q_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    -Wcast-align -Wunused -Woverloaded-virtual -Wnull-dereference
    -Wformat=2 -Wimplicit-fallthrough -Werror)

if(Q_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(Q_SANITIZED)
endif()

if(Q_FUZZ)
  # Coverage feedback for libFuzzer from every library the targets link.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(Q_LTO)
  # Whole-program optimisation: code each program does not reach goes, and
  # what it reaches is optimised across modules. One partition: GCC 12's
  # i686 LTO stops with an internal error when it splits the program.
  add_compile_options(-flto)
  add_link_options(-flto)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_link_options(-flto-partition=one)
  elseif(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
    # Smallest image: functions whose code is the same are merged, and a
    # call is inlined only where that shrinks the code clearly (a function's
    # only call still is). Measured on the i686 installer: 1.3 KB less; the
    # extraction loops keep their inlining.
    add_link_options(-Wl,-mllvm,-enable-merge-functions -Wl,-mllvm,-inline-threshold=-60)
    # No code reads errno after a mathematical function: sqrt becomes the
    # processor's instruction, not a call into the C library's version.
    add_compile_options(-fno-math-errno)
    # Virtual functions no call can reach leave their classes' tables and
    # the image. The whole program is one link, so its classes are hidden
    # from anything outside it; no class here implements an interface the
    # system calls into.
    add_compile_options(
      "$<$<COMPILE_LANGUAGE:CXX>:-fvisibility=hidden;-fwhole-program-vtables;-fvirtual-function-elimination>")
    add_link_options(-fwhole-program-vtables)
  endif()
endif()

if(WIN32)
  # One self-contained image: no libgcc/libstdc++/winpthread DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

# The system DLLs' import libraries as lld links them best. mingw-w64's are
# the long kind: one object per function whose thunk and address slot are
# plain sections, kept once the object is loaded, even when link-time
# optimisation then drops every call to it (the bitcode named it, in code
# that went). From a short import library lld makes the thunk and slot only
# for what the final code calls. Made once per build folder from the names
# the long ones import.
if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  find_program(Q_LLVM_NM llvm-nm REQUIRED)
  find_program(Q_LLVM_DLLTOOL llvm-dlltool REQUIRED)
  set(q_import_dir ${CMAKE_BINARY_DIR}/import-libraries)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(q_dlltool_target -m i386 -k)  # -k: stdcall's @n stays out of the DLL's names
  else()
    set(q_dlltool_target -m i386:x86-64)
  endif()
  foreach(lib kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32)
    if(EXISTS ${q_import_dir}/lib${lib}.a)
      continue()
    endif()
    find_library(q_long_${lib} ${lib} REQUIRED NO_CACHE)
    execute_process(COMMAND ${Q_LLVM_NM} ${q_long_${lib}} OUTPUT_VARIABLE symbols
                    COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL " I __imp_[^\n]+" names "${symbols}")
    list(TRANSFORM names REPLACE " I __imp_" "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      list(TRANSFORM names REPLACE "^_" "")  # the C prefix the def file adds back
    endif()
    list(REMOVE_DUPLICATES names)
    list(JOIN names "\n" exports)
    file(WRITE ${q_import_dir}/${lib}.def "LIBRARY ${lib}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${Q_LLVM_DLLTOOL} ${q_dlltool_target} -d ${q_import_dir}/${lib}.def
                            -l ${q_import_dir}/lib${lib}.a COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  add_link_options(-L${q_import_dir})
endif()

# q_add_subdirectories(folder [suite_prefix]): every sub-folder of `folder`
# that has a CMakeLists.txt, in name order. With a suite prefix ("unit"), a
# non-empty Q_TEST_SUITES keeps only the listed ones ("unit/unzip").
function(q_add_subdirectories folder)
  file(GLOB children LIST_DIRECTORIES true ${folder}/*)
  list(SORT children)
  foreach(child ${children})
    get_filename_component(name ${child} NAME)
    if(ARGC GREATER 1 AND Q_TEST_SUITES AND NOT "${ARGV1}/${name}" IN_LIST Q_TEST_SUITES)
      continue()
    endif()
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# Project code: warnings are errors.
function(q_warnings target)
  target_compile_options(${target} PRIVATE ${Q_WARNINGS})
endfunction()

# Code that ships: no exceptions, no RTTI (failures are values).
function(q_shipped target)
  q_warnings(${target})
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
  if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
    target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
    # i686: no unwind tables. Nothing is unwound without exceptions, and on
    # PE images one .eh_frame per object keeps every function of it alive
    # through --gc-sections. (x86_64 keeps its SEH tables: the system's
    # stack walks need them.)
    if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
      target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables -fno-unwind-tables)
    endif()
  endif()
  # A shipped Windows program: the non-throwing runtime (src/common), and no
  # symbols or unused sections in the image.
  get_target_property(type ${target} TYPE)
  if(WIN32 AND type STREQUAL "EXECUTABLE")
    set_property(GLOBAL APPEND PROPERTY Q_SHIPPED_IMAGES ${target})
    target_link_libraries(${target} PRIVATE q_runtime)
    target_link_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-s -Wl,--gc-sections>)
    if(Q_REPRODUCIBLE)
      target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)  # no link time
    endif()
  endif()
endfunction()

# q_own_entry(target): a shipped WinMain program enters through
# src/common/entry_win32.cpp instead of the C runtime's start-up code. Only
# with clang and lld, which refuse the runtime relocations that start-up
# would have applied.
function(q_own_entry target)
  if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_link_libraries(${target} PRIVATE q_entry)
    target_link_options(${target} PRIVATE -nostartfiles -Wl,--disable-runtime-pseudo-reloc)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      # The unwind tables of the few library objects (nothing unwinds them:
      # no exceptions) join the read-only data instead of a section of
      # their own, which would take a whole file block.
      target_link_options(${target} PRIVATE -Wl,--Xlink=-merge:.eh_frame=.rdata)
    endif()
  endif()
endfunction()

# GoogleTest: Debian's package natively, its sources for the cross builds.
if(NOT Q_TESTS)
elseif(WIN32)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Built for a quick build, as the test programs are (tests/CMakeLists.txt).
  foreach(library gtest gtest_main gmock gmock_main)
    target_compile_options(${library} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O0>)
  endforeach()
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gmock ALIAS gmock)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# --- Wine harness -----------------------------------------------------------
# Template prefixes are made once per build folder (a build step); each CTest
# run copies them and starts one wineserver per prefix (fixture "wine").
set(Q_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(Q_WINE_SCRIPTS ${CMAKE_SOURCE_DIR}/tests/win/wine)
if(WIN32 AND Q_WINE_TESTS)
  file(MAKE_DIRECTORY ${Q_WINE_ROOT})
  # The Wine of this build (tests/win/wine/env.sh): 64- or 32-bit.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    file(WRITE ${Q_WINE_ROOT}/arch "win32\n")
  else()
    file(WRITE ${Q_WINE_ROOT}/arch "win64\n")
  endif()
  file(WRITE ${Q_WINE_ROOT}/run
    "#!/bin/sh\nQ_WINE_ROOT='${Q_WINE_ROOT}' exec '${Q_WINE_SCRIPTS}/run.sh' \"$@\"\n")
  file(CHMOD ${Q_WINE_ROOT}/run PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
       GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${Q_WINE_ROOT}/run)
  add_custom_command(OUTPUT ${Q_WINE_ROOT}/template.stamp
    COMMAND ${Q_WINE_SCRIPTS}/make-template.sh ${Q_WINE_ROOT}
    DEPENDS ${Q_WINE_SCRIPTS}/make-template.sh ${Q_WINE_SCRIPTS}/env.sh
    COMMENT "Making the Wine template prefixes")
  add_custom_target(wine_template ALL DEPENDS ${Q_WINE_ROOT}/template.stamp)

  add_test(NAME wine.setup COMMAND ${Q_WINE_SCRIPTS}/start.sh ${Q_WINE_ROOT})
  set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine)
  add_test(NAME wine.cleanup COMMAND ${Q_WINE_SCRIPTS}/stop.sh ${Q_WINE_ROOT})
  set_tests_properties(wine.cleanup PROPERTIES FIXTURES_CLEANUP "wine;xvfb")
  add_test(NAME xvfb.setup COMMAND ${Q_WINE_SCRIPTS}/xvfb-start.sh ${Q_WINE_ROOT})
  set_tests_properties(xvfb.setup PROPERTIES FIXTURES_SETUP xvfb FIXTURES_REQUIRED wine)
endif()

# q_add_gtest(target [X11] [TIMEOUT s]): registers a GoogleTest executable.
# Natively each test case becomes a CTest test. Under Wine the executable is
# one CTest test (each Wine start costs), run through the emulator in the
# run's prefix; X11 selects the Xvfb prefix for tests that need real pixels.
# Windows tests are compiled but not registered without an emulator (win32).
function(q_add_gtest target)
  cmake_parse_arguments(A "X11" "TIMEOUT" "" ${ARGN})
  target_precompile_headers(${target} REUSE_FROM q_test_pch)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  if(NOT WIN32)
    gtest_discover_tests(${target} PROPERTIES TIMEOUT ${A_TIMEOUT}
                         DISCOVERY_TIMEOUT 60)
  elseif(Q_WINE_TESTS)
    add_test(NAME ${target} COMMAND ${target} --gtest_color=no)
    if(A_X11)
      set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED "wine;xvfb"
        ENVIRONMENT "Q_WINE_GRAPHICS=x11" TIMEOUT ${A_TIMEOUT})
    else()
      set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine
        TIMEOUT ${A_TIMEOUT})
    endif()
  endif()
endfunction()

# q_add_script_test(name script args...): a shell-driven test (e2e,
# screenshots) that needs the run's prefixes and Xvfb; it gets Q_WINE_ROOT,
# Q_BIN (the build's bin folder), Q_BUILD and Q_SHIPPED (the build folder
# whose QuorvantisSetup.exe, payload and qunzip.exe are tested: this one,
# or the release build for the i686 test build) in its environment.
set(Q_SHIPPED_BUILD "" CACHE PATH
  "Build folder of the programs the end-to-end tests run (default: this build)")
function(q_add_script_test name)
  if(WIN32 AND Q_WINE_TESTS)
    set(shipped ${CMAKE_BINARY_DIR})
    if(Q_SHIPPED_BUILD)
      set(shipped ${Q_SHIPPED_BUILD})
    endif()
    add_test(NAME ${name} COMMAND ${ARGN})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine;xvfb"
      ENVIRONMENT "Q_WINE_ROOT=${Q_WINE_ROOT};Q_BIN=${CMAKE_BINARY_DIR}/bin;Q_BUILD=${CMAKE_BINARY_DIR};Q_SHIPPED=${shipped}"
      TIMEOUT 600)
  endif()
endfunction()

# q_add_fuzzer(name SOURCES files... [LIBS libs...]): a libFuzzer target,
# plus a smoke-run test: Q_FUZZ_SECONDS of fuzzing (default 10; the
# environment variable FUZZ_SECONDS overrides it at run time, as `make fuzz`
# does) from the seeds and regression inputs in tests/data/fuzz/<name>/
# (every one of them is run first, so a regression input that crashes again
# fails the test). Any crash, leak, timeout (10 s per input) or out-of-memory
# fails it.
set(Q_FUZZ_SECONDS 10 CACHE STRING "Seconds of each fuzz smoke run")
function(q_add_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  q_warnings(${name})
  set(seeds ${CMAKE_SOURCE_DIR}/tests/data/fuzz/${name})
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  file(MAKE_DIRECTORY ${seeds} ${corpus})
  add_test(NAME fuzz.${name}
    COMMAND sh -c "exec \"$0\" -max_total_time=$\{FUZZ_SECONDS:-${Q_FUZZ_SECONDS}\} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \"$@\""
            $<TARGET_FILE:${name}> ${corpus} ${seeds})
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 0 LABELS fuzz)
endfunction()
