# The hyperlink label.
target_sources(dipolix_components PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Nuvra_urllab.h
  ${CMAKE_CURRENT_LIST_DIR}/urllab.cpp)
