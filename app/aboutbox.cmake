# The About box.
target_sources(dipolix_applib PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/AboutBox.h
  ${CMAKE_CURRENT_SOURCE_DIR}/aboutbox.cpp)
