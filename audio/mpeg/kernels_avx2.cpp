// The AVX2 kernels: this file alone is compiled for those instructions
// (see tables.cmake), and runs only where the CPU has them.
#include "audio/mpeg/kernels.h"

#include "audio/mpeg/kernels_impl.h"

#if defined(MPEG_SIMD_AVX2)
const sMpegKernels& MpegAvx2Kernels() { return sKernels<sAvx2>::kTable; }
#endif
