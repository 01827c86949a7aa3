#pragma once
// How far libjpeg's DCT scaling must shrink a picture while decoding so that
// neither side exceeds a limit. A numerator M stands for scale_num = M,
// scale_denom = 8, which gives sides of ceil(side x M / 8).
#include <cstdint>

namespace qv {

// ceil(side x numerator / 8): a side decoded at numerator / 8.
inline int64_t ScaledSide(int64_t side, int numerator) { return (side * numerator + 7) / 8; }

// 8 when both sides are within the limit already; else the largest M of 1-7
// whose scaled sides both are; 0 when not even 1/8 is small enough, or for a
// side or limit that is not positive.
int ShrinkNumerator(int width, int height, int limit = 5000);

} // namespace qv
