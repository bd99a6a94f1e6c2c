// The kernel again, compiled for AVX-512 (F, BW, DQ, VL) with 512-bit vectors preferred.
#define TESSORY_KERNEL Avx512
// GCC 12's AVX-512 intrinsics start some results from _mm512_undefined_*, which its own
// -Wmaybe-uninitialized then reports (GCC bug 105593).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "CpuRenderKernel.cpp"
#pragma GCC diagnostic pop
