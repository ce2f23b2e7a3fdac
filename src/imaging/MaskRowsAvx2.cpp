// The mask row kernels compiled for AVX2 (this unit alone gets -mavx2).
#include "imaging/MaskRowsBody.h"

namespace tavix::imaging::detail {

extern const MaskRowKernels kAvx2MaskRows;
const MaskRowKernels kAvx2MaskRows{"avx2", FlatField8Row, FlatField16Row, MarkRow8, MarkRow16};

} // namespace tavix::imaging::detail
