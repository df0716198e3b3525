# The product's built-in texts and the pieces every program's resources
# share (version block, manifest, icons), generated once per build: included
# by src/payload (the payload programs) and src/installer (the installer).
set(Q_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)  # in every including scope
set(Q_PRODUCT_DIR ${CMAKE_CURRENT_LIST_DIR})  # version.rc, for the resource scripts
if(NOT Q_VERSION MATCHES "^([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "Q_VERSION must be MAJOR.MINOR (two numbers), not \"${Q_VERSION}\"")
endif()
set(Q_VERSION_MAJOR ${CMAKE_MATCH_1})
set(Q_VERSION_MINOR ${CMAKE_MATCH_2})
include_guard(GLOBAL)

# A build option as the body of a C++ string literal, and as the body of a
# resource-script string (where a double quote is written twice).
function(q_c_string out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()
function(q_rc_string out value)
  string(REPLACE "\"" "\"\"" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

q_c_string(Q_TEXT_MAKER_NAME "${Q_MAKER_NAME}")
q_c_string(Q_TEXT_MAKER_URL "${Q_MAKER_URL}")
q_c_string(Q_TEXT_MAKER_URL2 "${Q_MAKER_URL2}")
q_rc_string(Q_RC_MAKER_NAME "${Q_MAKER_NAME}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/texts.h.in ${Q_GENERATED_DIR}/product/texts.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/rc_texts.h.in ${Q_GENERATED_DIR}/product/rc_texts.h @ONLY)

# Header-only: #include "product/texts.h".
add_library(q_texts INTERFACE)
target_include_directories(q_texts INTERFACE ${Q_GENERATED_DIR})

# q_app_manifest(out name level): writes the application manifest of one
# program (level asInvoker or requireAdministrator) and returns its path.
# The program carries it without the template's comments and indentation.
function(q_app_manifest out name level)
  set(Q_MANIFEST_NAME ${name})
  set(Q_MANIFEST_LEVEL ${level})
  set(path ${Q_GENERATED_DIR}/manifests/${name}.manifest)
  set(template ${Q_PRODUCT_DIR}/app.manifest.in)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${template})
  file(READ ${template} text)
  string(REGEX REPLACE "<!--[^>]*-->" "" text "${text}")
  string(REGEX REPLACE ">[ \n]+<" "><" text "${text}")
  string(REGEX REPLACE "[ \n]+" " " text "${text}")
  file(CONFIGURE OUTPUT ${path} CONTENT "${text}" @ONLY)
  set(${out} ${path} PARENT_SCOPE)
endfunction()

# q_app_icon(out style name): a build step drawing one of the project's icons
# (make_icon.py: setup or product); returns the .ico path.
function(q_app_icon out style name)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(path ${Q_GENERATED_DIR}/icons/${name}.ico)
  add_custom_command(OUTPUT ${path}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${Q_GENERATED_DIR}/icons
    COMMAND Python3::Interpreter ${Q_PRODUCT_DIR}/make_icon.py ${style} ${path}
    DEPENDS ${Q_PRODUCT_DIR}/make_icon.py
    COMMENT "Drawing the ${name} icon")
  set(${out} ${path} PARENT_SCOPE)
endfunction()
