vistrel_add_bench(NAME bench_media_recording
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/bench_media_recording.cpp
    ${PROJECT_SOURCE_DIR}/tests/platform/media/test_source_filter.cpp
  LIBS media)
target_include_directories(bench_media_recording PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform/media)
