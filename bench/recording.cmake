vistrel_add_bench(NAME bench_recording
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_recording.cpp
  LIBS recording picture Qt6::Gui)
