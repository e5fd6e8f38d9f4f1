// The structure-factor sums for any processor: vectors of four, no fused multiply-add.
#include "StructureFactorKernelPaths.h"

namespace velmora_portable {
constexpr int kLanes = 4;
typedef float VF __attribute__((vector_size(16)));
typedef int VI __attribute__((vector_size(16)));
typedef double VD __attribute__((vector_size(32)));
__attribute__((always_inline)) inline VF Fma(VF a, VF b, VF c)
{
    return a * b + c;
}
constexpr bool kFused = false;
#include "StructureFactorKernelBody.h"
}  // namespace velmora_portable

VELMORA_KERNEL_DEFINITIONS(Portable, velmora_portable)
