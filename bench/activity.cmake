vistrel_add_bench(NAME bench_activity
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_activity.cpp
  LIBS activity picture platform vistrel_test_scenes Qt6::Gui)
