target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/file_system.h
)
