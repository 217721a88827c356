# Closed-form facts about the pattern (lobes, nulls, beamwidths, directivity).
target_sources(dipolix_applib PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/PatternAnalysis.h
  ${CMAKE_CURRENT_SOURCE_DIR}/PatternAnalysis.cpp)
