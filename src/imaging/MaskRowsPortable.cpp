#include "imaging/MaskRowsBody.h"

namespace tavix::imaging::detail {

const MaskRowKernels kPortableMaskRows{"portable", FlatField8Row, FlatField16Row, MarkRow8, MarkRow16};

} // namespace tavix::imaging::detail
