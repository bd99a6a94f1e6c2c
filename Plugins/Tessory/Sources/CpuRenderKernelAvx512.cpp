// The kernel again, compiled for AVX-512 (F, BW, DQ, VL) with 512-bit vectors preferred.
#define TESSORY_KERNEL Avx512
#include "CpuRenderKernel.cpp"
