// Pixel format codes: four bytes, lowest first, that spell the layout in memory order.
#pragma once

#include <cstdint>

constexpr int32_t PF_PixelFormat_ARGB32 = 0x62677261;    // "argb", 8 bits per channel
constexpr int32_t PF_PixelFormat_ARGB64 = 0x36316561;    // "ae16", 16 bits per channel
constexpr int32_t PF_PixelFormat_ARGB128 = 0x32336561;   // "ae32", float per channel
