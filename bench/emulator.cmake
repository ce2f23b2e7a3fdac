# The emulated camera's frame delivery through the device port.
tavix_bench(bench_emulator
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/emulator/EmulatorBench.cpp
    ${PROJECT_SOURCE_DIR}/tests/emulator/DriverClient.cpp
  DEPS tavix_emulator)
target_include_directories(bench_emulator PRIVATE ${PROJECT_SOURCE_DIR}/tests/emulator)
