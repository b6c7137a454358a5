vistrel_add_bench(NAME platform_files_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_files_bench.cpp
  LIBS platform)
