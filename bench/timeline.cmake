vistrel_add_bench(NAME bench_timeline
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_timeline.cpp
  LIBS timeline picture Qt6::Widgets)
