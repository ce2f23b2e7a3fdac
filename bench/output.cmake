tavix_bench(bench_output
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/output/StillImageBench.cpp
  DEPS tavix_sdk tavix_emulator)
