# The polar chart: one public header, the implementation split by concern.
target_sources(dipolix_components PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Nuvra_polchart.h
  ${CMAKE_CURRENT_LIST_DIR}/polchart_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/polchart_mapping.cpp
  ${CMAKE_CURRENT_LIST_DIR}/polchart_grid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/polchart_paint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/polchart_items.cpp
  ${CMAKE_CURRENT_LIST_DIR}/polchart_overlay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/polchart_mouse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/polchart_figure.cpp
)
