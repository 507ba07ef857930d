# Libraries come from the system's package manager (scripts/bootstrap
# installs them); none is vendored. The one exception is the macOS shipping
# build, which compiles utf8proc in from a pinned upstream release, because
# no package manager there has a static archive for every architecture.
find_package(PkgConfig)

function(pagelume_require_module target debian_package brew_package)
  if(NOT PKG_CONFIG_FOUND)
    message(FATAL_ERROR
      "pkg-config is missing: install it (Debian: apt-get install "
      "pkg-config; macOS: brew install pkgconf), or run scripts/bootstrap")
  endif()
  # Upstream and Homebrew install some libraries under another module name
  # than Debian does: the first name found wins.
  pkg_search_module(${target} IMPORTED_TARGET ${ARGN})
  if(NOT ${target}_FOUND)
    list(JOIN ARGN " or " _names)
    message(FATAL_ERROR
      "${_names} is missing: install it (Debian: apt-get install "
      "${debian_package}; macOS: brew install ${brew_package}), or run "
      "scripts/bootstrap")
  endif()
endfunction()

# utf8proc, for every text comparison.
# macOS's package managers have no static archive of it, so a macOS build
# that links its runtime statically compiles it in.
if(APPLE AND PAGELUME_STATIC_RUNTIME)
  set(_bundled_default ON)
else()
  set(_bundled_default OFF)
endif()
option(PAGELUME_BUNDLED_UTF8PROC
       "Compile utf8proc into the tool from its pinned upstream release (fetched at configure time)"
       ${_bundled_default})
if(PAGELUME_BUNDLED_UTF8PROC)
  include(FetchContent)
  FetchContent_Declare(utf8proc
    URL https://github.com/JuliaStrings/utf8proc/archive/refs/tags/v2.11.3.tar.gz
    URL_HASH SHA256=abfed50b6d4da51345713661370290f4f4747263ee73dc90356299dfc7990c78)
  # A static library for every architecture being built, installed nowhere.
  set(UTF8PROC_INSTALL OFF CACHE BOOL "" FORCE)
  set(UTF8PROC_ENABLE_TESTING OFF CACHE BOOL "" FORCE)
  block()
    set(BUILD_SHARED_LIBS OFF)
    FetchContent_MakeAvailable(utf8proc)
  endblock()
  set(PAGELUME_UTF8PROC utf8proc)
else()
  pagelume_require_module(UTF8PROC libutf8proc-dev utf8proc libutf8proc)
  set(PAGELUME_UTF8PROC PkgConfig::UTF8PROC)
  if(PAGELUME_STATIC_RUNTIME)
    # One shared library fewer to load at every start, and one fewer that a
    # user's machine must have.
    find_library(PAGELUME_UTF8PROC_ARCHIVE
      NAMES libutf8proc.a
      HINTS ${UTF8PROC_LIBRARY_DIRS}
      NO_CACHE)
    if(NOT PAGELUME_UTF8PROC_ARCHIVE)
      message(FATAL_ERROR
        "PAGELUME_STATIC_RUNTIME needs utf8proc's static archive "
        "(libutf8proc.a), and none was found. On Debian, apt-get install "
        "libutf8proc-dev ships it; where no "
        "package has one (Homebrew), configure with "
        "-DPAGELUME_BUNDLED_UTF8PROC=ON to compile utf8proc in, as the "
        "macos preset does")
    endif()
    add_library(pagelume_utf8proc_static INTERFACE)
    target_include_directories(pagelume_utf8proc_static INTERFACE
      ${UTF8PROC_INCLUDE_DIRS})
    target_link_libraries(pagelume_utf8proc_static INTERFACE
      ${PAGELUME_UTF8PROC_ARCHIVE})
    set(PAGELUME_UTF8PROC pagelume_utf8proc_static)
  endif()
endif()

# Links an executable's C++ runtime statically in builds that ask for it (on
# Linux; macOS has its own in the system), and drops what nothing calls. For
# that, everything compiled after this point puts each function and datum in
# a section of its own.
if(PAGELUME_STATIC_RUNTIME AND NOT APPLE)
  add_compile_options(-ffunction-sections -fdata-sections)
endif()
function(pagelume_link_runtime target)
  if(NOT PAGELUME_STATIC_RUNTIME)
    return()
  endif()
  if(APPLE)
    target_link_options(${target} PRIVATE -Wl,-dead_strip)
  else()
    # The dynamic loader's work for libstdc++ outweighs everything the tool
    # does.
    target_link_options(${target} PRIVATE
      -static-libstdc++ -static-libgcc -Wl,--gc-sections -Wl,-O1)
  endif()
endfunction()

if(NOT PAGELUME_BUILD_TESTS OR NOT PAGELUME_UNIT_TESTS)
  # No GoogleTest needed.
elseif(PAGELUME_GTEST_SOURCE)
  if(NOT EXISTS ${PAGELUME_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR
      "No GoogleTest sources in ${PAGELUME_GTEST_SOURCE}: install them "
      "(Debian: apt-get install googletest), or run scripts/bootstrap")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${PAGELUME_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest
                   EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest)
  if(NOT GTest_FOUND)
    message(FATAL_ERROR
      "GoogleTest is missing: install it (Debian: apt-get install "
      "libgtest-dev; macOS: brew install googletest), or run "
      "scripts/bootstrap")
  endif()
endif()
