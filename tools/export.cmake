# vistrel-export: the batch export from the command line (no window, no
# display). The library holds everything but main() around the export
# itself (the library `exporting`, shared with the window), so tests use the
# same code; the program sits beside vistrel-preview, so that both share one
# program folder in the build tree as they do when installed.
add_library(vistrel_export STATIC
  ${CMAKE_CURRENT_LIST_DIR}/export/export_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/export/export_options.h
  ${CMAKE_CURRENT_LIST_DIR}/export/ffmpeg_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/export/ffmpeg_log.h
  ${CMAKE_CURRENT_LIST_DIR}/export/output_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/export/output_file.h
  ${CMAKE_CURRENT_LIST_DIR}/export/progress_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/export/progress_line.h
  ${CMAKE_CURRENT_LIST_DIR}/export/skip_report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/export/skip_report.h
  ${CMAKE_CURRENT_LIST_DIR}/export/snapshot_sources.cpp
  ${CMAKE_CURRENT_LIST_DIR}/export/snapshot_sources.h
)
target_link_libraries(vistrel_export PUBLIC exporting activity recording pipeline picture layout
                      platform Qt6::Core PRIVATE PkgConfig::FFMPEG JPEG::JPEG CLI11::CLI11)

add_executable(vistrel-export ${CMAKE_CURRENT_LIST_DIR}/export/main.cpp)
target_link_libraries(vistrel-export PRIVATE vistrel_export)
set_target_properties(vistrel-export PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/app)
