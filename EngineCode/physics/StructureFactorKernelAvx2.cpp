// The structure-factor sums for processors with AVX2 and FMA: vectors of eight (this file alone
// is compiled for them).
#include "StructureFactorKernelPaths.h"

#include <immintrin.h>

namespace velmora_avx2 {
constexpr int kLanes = 8;
typedef float VF __attribute__((vector_size(32)));
typedef int VI __attribute__((vector_size(32)));
typedef double VD __attribute__((vector_size(64)));
__attribute__((always_inline)) inline VF Fma(VF a, VF b, VF c)
{
    return (VF)_mm256_fmadd_ps((__m256)a, (__m256)b, (__m256)c);
}
constexpr bool kFused = true;
#include "StructureFactorKernelBody.h"
}  // namespace velmora_avx2

VELMORA_KERNEL_DEFINITIONS(Avx2, velmora_avx2)
