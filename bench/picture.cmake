vistrel_add_bench(NAME bench_picture
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_picture.cpp
  LIBS picture Qt6::Gui)
