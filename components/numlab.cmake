# The numeric read-out TNumLab: value text, painting, properties.
target_sources(dipolix_components PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Nuvra_NumLab.h
  ${CMAKE_CURRENT_LIST_DIR}/numlab_format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/numlab_paint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/numlab_control.cpp
)
