# Libraries come from the system's package manager (scripts/bootstrap
# installs them); none is vendored.
find_package(PkgConfig)
if(NOT PKG_CONFIG_FOUND)
  message(FATAL_ERROR
    "pkg-config is missing: install it (Debian: apt-get install pkg-config; "
    "macOS: brew install pkg-config), or run scripts/bootstrap")
endif()

function(pagelume_require_module target module debian_package brew_package)
  pkg_check_modules(${target} IMPORTED_TARGET ${module})
  if(NOT ${target}_FOUND)
    message(FATAL_ERROR
      "${module} is missing: install it (Debian: apt-get install "
      "${debian_package}; macOS: brew install ${brew_package}), or run "
      "scripts/bootstrap")
  endif()
endfunction()

pagelume_require_module(UTF8PROC libutf8proc libutf8proc-dev utf8proc)
pagelume_require_module(PLIST "libplist-2.0;libplist" libplist-dev libplist)

# libplist is loaded at run time, on first use (see cli/AppInfo.cpp), by the
# name the dynamic loader knows it by: its SONAME, or on macOS its install
# name.
find_library(PAGELUME_PLIST_FILE NAMES plist-2.0 plist
  HINTS ${PLIST_LIBRARY_DIRS})
set(_plist_name "")
if(PAGELUME_PLIST_FILE AND APPLE)
  execute_process(COMMAND otool -D ${PAGELUME_PLIST_FILE}
    OUTPUT_VARIABLE _otool ERROR_QUIET)
  string(REGEX MATCH "\n([^\n]+)" _match "${_otool}")
  set(_plist_name "${CMAKE_MATCH_1}")
elseif(PAGELUME_PLIST_FILE)
  execute_process(COMMAND ${CMAKE_OBJDUMP} -p ${PAGELUME_PLIST_FILE}
    OUTPUT_VARIABLE _objdump ERROR_QUIET)
  string(REGEX MATCH "SONAME +([^ \n]+)" _match "${_objdump}")
  set(_plist_name "${CMAKE_MATCH_1}")
endif()
if(NOT _plist_name)
  message(FATAL_ERROR
    "Cannot tell the run-time name of libplist (${PAGELUME_PLIST_FILE}); "
    "objdump (Linux) or otool (macOS) reads it")
endif()
set(PAGELUME_PLIST_RUNTIME_NAME "${_plist_name}")
message(STATUS "libplist is loaded at run time as ${PAGELUME_PLIST_RUNTIME_NAME}")

# Links an executable's C++ runtime statically in builds that ask for it (on
# Linux; macOS has its own in the system), dropping sections nothing calls:
# the dynamic loader's work for libstdc++ outweighs everything the tool does.
function(pagelume_link_runtime target)
  if(PAGELUME_STATIC_RUNTIME AND NOT APPLE)
    target_link_options(${target} PRIVATE
      -static-libstdc++ -static-libgcc -Wl,--gc-sections -Wl,-O1)
  endif()
endfunction()

# utf8proc from its static archive when the release build asks for it and one
# is installed: one shared library fewer to load at every start.
set(PAGELUME_UTF8PROC PkgConfig::UTF8PROC)
if(PAGELUME_STATIC_RUNTIME)
  find_library(PAGELUME_UTF8PROC_ARCHIVE
    NAMES libutf8proc.a
    HINTS ${UTF8PROC_LIBRARY_DIRS})
  if(PAGELUME_UTF8PROC_ARCHIVE)
    add_library(pagelume_utf8proc_static INTERFACE)
    target_include_directories(pagelume_utf8proc_static INTERFACE
      ${UTF8PROC_INCLUDE_DIRS})
    target_link_libraries(pagelume_utf8proc_static INTERFACE
      ${PAGELUME_UTF8PROC_ARCHIVE})
    set(PAGELUME_UTF8PROC pagelume_utf8proc_static)
  endif()
endif()

if(PAGELUME_BUILD_TESTS AND PAGELUME_GTEST_SOURCE)
  if(NOT EXISTS ${PAGELUME_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR
      "No GoogleTest sources in ${PAGELUME_GTEST_SOURCE}: install them "
      "(Debian: apt-get install googletest), or run scripts/bootstrap")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${PAGELUME_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest
                   EXCLUDE_FROM_ALL SYSTEM)
elseif(PAGELUME_BUILD_TESTS)
  find_package(GTest)
  if(NOT GTest_FOUND)
    message(FATAL_ERROR
      "GoogleTest is missing: install it (Debian: apt-get install "
      "libgtest-dev; macOS: brew install googletest), or run "
      "scripts/bootstrap")
  endif()
endif()
