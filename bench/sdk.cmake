tavix_bench(bench_sdk
  SOURCES sdk/CallbackBench.cpp
  DEPS tavix_sdk tavix_emulator)
tavix_bench(bench_record
  SOURCES sdk/RecordBench.cpp
  DEPS tavix_sdk tavix_emulator)
