#include "imaging/ReduceRowsBody.h"

namespace tavix::imaging::detail {

const ReduceRowKernels kPortableReduceRows = ReduceRowsNamed("portable");

} // namespace tavix::imaging::detail
