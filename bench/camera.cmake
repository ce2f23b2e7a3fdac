tavix_bench(bench_camera
  SOURCES camera/CaptureBench.cpp
  DEPS tavix_camera tavix_emulator)
