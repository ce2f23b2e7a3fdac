// The reduction row loops compiled for AVX2 (this unit alone gets -mavx2).
#include "imaging/ReduceRowsBody.h"

namespace tavix::imaging::detail {

extern const ReduceRowKernels kAvx2ReduceRows;
const ReduceRowKernels kAvx2ReduceRows = ReduceRowsNamed("avx2");

} // namespace tavix::imaging::detail
