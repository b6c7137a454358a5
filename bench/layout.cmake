vistrel_add_bench(NAME bench_layout
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_layout.cpp
  LIBS layout)
