vistrel_add_bench(NAME bench_tree_list SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_tree_list.cpp
  LIBS browse)
