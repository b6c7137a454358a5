vistrel_add_bench(NAME bench_archive_watcher
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_archive_watcher.cpp
  LIBS platform)
