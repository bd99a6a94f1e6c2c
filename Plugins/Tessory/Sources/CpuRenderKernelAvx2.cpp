// The kernel again, compiled for AVX2 with FMA.
#define TESSORY_KERNEL Avx2
#include "CpuRenderKernel.cpp"
