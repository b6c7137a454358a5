target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/file_system.h
  ${CMAKE_CURRENT_LIST_DIR}/file_system.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drive_table.h
  ${CMAKE_CURRENT_LIST_DIR}/drive_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/archive_folder.h
  ${CMAKE_CURRENT_LIST_DIR}/archive_folder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/archive_watcher.h
  ${CMAKE_CURRENT_LIST_DIR}/archive_watcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/archive_layout.h
  ${CMAKE_CURRENT_LIST_DIR}/archive_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_entries.h
  ${CMAKE_CURRENT_LIST_DIR}/host_entries.cpp
  ${CMAKE_CURRENT_LIST_DIR}/names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_listing.h
  ${CMAKE_CURRENT_LIST_DIR}/file_listing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/video_names.h
  ${CMAKE_CURRENT_LIST_DIR}/video_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/thread_priority.h
  ${CMAKE_CURRENT_LIST_DIR}/thread_priority.cpp
)
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/command_options.h
  ${CMAKE_CURRENT_LIST_DIR}/command_options.cpp
)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/command_options.cpp PROPERTIES
  COMPILE_DEFINITIONS "VISTREL_VERSION=\"${PROJECT_VERSION}\"")
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/shell_operations.h
  ${CMAKE_CURRENT_LIST_DIR}/shell_operations.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trash.h
  ${CMAKE_CURRENT_LIST_DIR}/trash.cpp
)
