# Cross-compiles for macOS from Linux. The compilers are the wrappers that
# cross-build.sh writes around zig, each for one target; the macOS headers
# and libSystem's stub are zig's own. There is no SDK to name and no -arch
# to pass: the wrapper's target says both.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_OSX_SYSROOT "" CACHE STRING "" FORCE)
set(CMAKE_OSX_ARCHITECTURES "" CACHE STRING "" FORCE)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
