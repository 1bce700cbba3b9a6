// The vector instructions the fast paths may use: what the processor offers (SSE2 on every
// x86-64, AVX2 on most), unless a test caps them to check the paths other processors take.
#pragma once

namespace zelvo {

enum class Vectors { kNone, kSse2, kAvx2 };

Vectors vectorsInUse();

// Tests: no more than `cap` until called again (Vectors::kAvx2 lifts the cap).
void capVectorsForTests(Vectors cap);

}  // namespace zelvo
