// The kernels written for x86-64 (AVX, AVX2, FMA) and the questions to the
// processor that choose them are compiled where TAVERLUNE_X86 is defined;
// elsewhere (aarch64, ...) only the portable kernels are, and they are taken.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TAVERLUNE_X86 1
#endif
