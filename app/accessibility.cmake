# Keyboard and assistive-tool support: the unit-aware scroll bar and the accessible
# interfaces of the main window's controls.
target_sources(dipolix_applib PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/UnitScrollBar.h
  ${CMAKE_CURRENT_SOURCE_DIR}/UnitScrollBar.cpp)
target_sources(dipolix_applib PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/PatternDescription.h
  ${CMAKE_CURRENT_SOURCE_DIR}/PatternDescription.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Accessibility.h
  ${CMAKE_CURRENT_SOURCE_DIR}/Accessibility.cpp)
