# One place for the warning flags every target of ours gets.
add_library(dipolix_warnings INTERFACE)
target_compile_options(dipolix_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough
  $<$<BOOL:${DIPOLIX_WERROR}>:-Werror>)
# Qt's own headers trip -Wold-style-cast in inline code; include them as system headers.
set(CMAKE_INCLUDE_SYSTEM_FLAG_CXX "-isystem ")
