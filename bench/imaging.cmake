# The demosaic against OpenCV's bilinear Bayer conversion on the same data.
# OpenCV is a dependency of this benchmark only, never of the SDK.
find_package(OpenCV REQUIRED COMPONENTS core imgproc)
tavix_bench(bench_imaging
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/imaging/DemosaicBench.cpp
  DEPS tavix_imaging opencv_core opencv_imgproc)
# The image filters on a full frame, with OpenCV's table lookup beside them.
tavix_bench(bench_filters
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/imaging/FilterBench.cpp
  DEPS tavix_imaging opencv_core)
# Flat field and dot filter on a full frame, beside a division per pixel.
tavix_bench(bench_mask
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/imaging/MaskBench.cpp
  DEPS tavix_imaging)
# The preview's scaling and reductions of a full frame.
tavix_bench(bench_display
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/imaging/DisplayBench.cpp
  DEPS tavix_imaging)
