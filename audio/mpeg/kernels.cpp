// The portable and SSE2 kernels, and the choice of path.
#include "audio/mpeg/kernels.h"

#include <cstring>

#include "audio/mpeg/kernels_impl.h"

#if defined(TESS_MPEG_AVX2)
// kernels_avx2.cpp, compiled for AVX2.
const sMpegKernels& MpegAvx2Kernels();
#endif

#if defined(TESS_MPEG_AVX2)
namespace {

bool HasAvx2() {
#if defined(__GNUC__)
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
#else
  return false;
#endif
}

}  // namespace
#endif

std::vector<const char*> MpegSimdPaths() {
  std::vector<const char*> paths;
#if defined(TESS_MPEG_AVX2)
  if (HasAvx2()) paths.push_back(MpegAvx2Kernels().name);
#endif
#if defined(__SSE2__)
  paths.push_back(sKernels<sSse2>::kTable.name);
#endif
  paths.push_back(sKernels<sPortable>::kTable.name);
  return paths;
}

const sMpegKernels* FindMpegKernels(const char* name) {
#if defined(TESS_MPEG_AVX2)
  if (HasAvx2() && !std::strcmp(name, MpegAvx2Kernels().name)) return &MpegAvx2Kernels();
#endif
#if defined(__SSE2__)
  if (!std::strcmp(name, sKernels<sSse2>::kTable.name)) return &sKernels<sSse2>::kTable;
#endif
  if (!std::strcmp(name, sKernels<sPortable>::kTable.name)) return &sKernels<sPortable>::kTable;
  return nullptr;
}

const sMpegKernels& DefaultMpegKernels() {
  static const sMpegKernels* chosen = FindMpegKernels(MpegSimdPaths().front());
  return *chosen;
}
