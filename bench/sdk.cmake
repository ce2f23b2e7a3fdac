tavix_bench(bench_sdk
  SOURCES sdk/CallbackBench.cpp
  DEPS tavix_sdk tavix_emulator)
