# The icons and button glyphs drawn by tools/icongen, compiled into the program.
# dipolix.png (the icon file the language table names) is not compiled in: it is copied beside
# the program.
set_target_properties(dipolix_applib PROPERTIES AUTORCC ON)
target_sources(dipolix_applib PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/Resources.h
  ${CMAKE_CURRENT_SOURCE_DIR}/resources.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/resources.qrc)
