vistrel_add_bench(NAME bench_pipeline SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_pipeline.cpp LIBS pipeline)
