#pragma once
// The transform comes in several kernels with identical results: portable C++, and on x86-64
// SSE2, AVX and AVX-512F versions chosen at run time. (Identical for every finite input whose
// intermediate sums stay inside the float range; audio blocks are far below it. Near the float
// maximum the vector kernels' last stages may give NaN where the portable one overflows.) Tests reach each one through here, so a
// kernel this machine would not choose by itself is still checked against the portable one.

namespace keblor {

enum class FftKernel { Portable, Sse2, Avx, Avx512 };

// Whether this build has the kernel and this processor can run it.
bool FftKernelAvailable(FftKernel kernel);

// The kernel FftTransform uses on this machine.
FftKernel ChosenFftKernel();

// FftTransform with the given kernel; does nothing when the kernel is not available.
void FftTransformWith(FftKernel kernel, int sign, int n, float* re, float* im, const float* cosTable,
                      const float* sinTable);

}  // namespace keblor
