vistrel_add_bench(NAME bench_slide_show
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_slide_show.cpp
  LIBS app)
