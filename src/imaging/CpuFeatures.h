#pragma once
// What the processor offers beyond the baseline, for the units that pick
// one of several builds of their row loops at run time.

namespace tavix::imaging::detail {

// Whether this build has AVX2 row loops and the processor and operating
// system can run them; asked once.
bool Avx2Usable();

} // namespace tavix::imaging::detail
