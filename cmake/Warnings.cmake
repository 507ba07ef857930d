# Compiler warnings for the project's own code, as an INTERFACE target that
# every target links.
add_library(pagelume_warnings INTERFACE)
target_compile_options(pagelume_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
if(PAGELUME_WARNINGS_AS_ERRORS)
  target_compile_options(pagelume_warnings INTERFACE -Werror)
endif()
