# Whole frames through the transport from the unpaced emulated camera.
tavix_bench(bench_transport
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/transport/ReadFrameBench.cpp
  DEPS tavix_transport tavix_emulator)
