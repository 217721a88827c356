# The pattern facts as JSON and decibel texts, for the report and the CSV export.
target_sources(dipolix_applib PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/PatternReport.h
  ${CMAKE_CURRENT_SOURCE_DIR}/PatternReport.cpp)
