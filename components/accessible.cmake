# The components' accessible interfaces.
target_sources(dipolix_components PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Nuvra_accessible.h
  ${CMAKE_CURRENT_LIST_DIR}/accessible.cpp)
