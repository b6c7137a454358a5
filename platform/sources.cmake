target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/file_system.h
  ${CMAKE_CURRENT_LIST_DIR}/file_system.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drive_table.h
  ${CMAKE_CURRENT_LIST_DIR}/drive_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_entries.h
  ${CMAKE_CURRENT_LIST_DIR}/host_entries.cpp
  ${CMAKE_CURRENT_LIST_DIR}/names.cpp
)
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/shell_operations.h
  ${CMAKE_CURRENT_LIST_DIR}/shell_operations.cpp
)
