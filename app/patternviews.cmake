# The pattern facts window, the decibel view, the chart's tool tip and context menu entries.
target_sources(dipolix_applib PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/ChartView.h
  ${CMAKE_CURRENT_SOURCE_DIR}/ChartView.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/FactsWindow.h
  ${CMAKE_CURRENT_SOURCE_DIR}/FactsWindow.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/mainfrm_views.cpp)
