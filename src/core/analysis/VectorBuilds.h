#pragma once
// VX_AVX2_CLONE before a hot loop's function: GCC on x86-64 Linux builds it
// twice, plain and for AVX2, and the loader picks the build the processor
// runs. AVX2 alone brings no fused multiply-add, so both builds round alike
// and give the same results. Clang, and builds with VOXTRACE_NO_CPU_DISPATCH
// (ThreadSanitizer: the loader's choice runs before it starts), get the
// plain build only.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(VOXTRACE_NO_CPU_DISPATCH)
#define VX_WIDE_BUILDS 1
#define VX_AVX2_CLONE __attribute__((target_clones("avx2", "default")))
#else
#define VX_WIDE_BUILDS 0
#define VX_AVX2_CLONE
#endif
