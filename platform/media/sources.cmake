# The media-graph service: filter graph, capture graph builder, device
# enumerator with the video compressors, AVI multiplexer and file writer, on
# FFmpeg.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/allocator.h
  ${CMAKE_CURRENT_LIST_DIR}/avi_mux.cpp
  ${CMAKE_CURRENT_LIST_DIR}/avi_mux.h
  ${CMAKE_CURRENT_LIST_DIR}/capture_graph_builder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/compression.h
  ${CMAKE_CURRENT_LIST_DIR}/compressor_filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/compressor_filter.h
  ${CMAKE_CURRENT_LIST_DIR}/compressor_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/compressor_settings.h
  ${CMAKE_CURRENT_LIST_DIR}/device_enum.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device_enum.h
  ${CMAKE_CURRENT_LIST_DIR}/ffmpeg_handles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ffmpeg_handles.h
  ${CMAKE_CURRENT_LIST_DIR}/file_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_writer.h
  ${CMAKE_CURRENT_LIST_DIR}/filter.h
  ${CMAKE_CURRENT_LIST_DIR}/filter_base.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filter_base.h
  ${CMAKE_CURRENT_LIST_DIR}/filter_graph.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filter_graph.h
  ${CMAKE_CURRENT_LIST_DIR}/guid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/guid.h
  ${CMAKE_CURRENT_LIST_DIR}/media.h
  ${CMAKE_CURRENT_LIST_DIR}/media_type.cpp
  ${CMAKE_CURRENT_LIST_DIR}/media_type.h
  ${CMAKE_CURRENT_LIST_DIR}/memory_allocator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/running_object_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/running_object_table.h
  ${CMAKE_CURRENT_LIST_DIR}/status.cpp
  ${CMAKE_CURRENT_LIST_DIR}/status.h
  ${CMAKE_CURRENT_LIST_DIR}/unknown.h
)
target_link_libraries(platform PUBLIC PkgConfig::FFMPEG PRIVATE libyuv::libyuv)
