// The structure-factor sums for processors with AVX-512F: vectors of sixteen (this file alone is
// compiled for them).
#include "StructureFactorKernelPaths.h"

#include <immintrin.h>

namespace velmora_avx512 {
constexpr int kLanes = 16;
typedef float VF __attribute__((vector_size(64)));
typedef int VI __attribute__((vector_size(64)));
typedef double VD __attribute__((vector_size(128)));
__attribute__((always_inline)) inline VF Fma(VF a, VF b, VF c)
{
    return (VF)_mm512_fmadd_ps((__m512)a, (__m512)b, (__m512)c);
}
constexpr bool kFused = true;
#include "StructureFactorKernelBody.h"
}  // namespace velmora_avx512

VELMORA_KERNEL_DEFINITIONS(Avx512, velmora_avx512)
