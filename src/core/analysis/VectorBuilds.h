#pragma once
// Hot analysis loops are also built for processors with wider vectors,
// where GCC can build and choose between versions of a function (x86-64
// Linux). VOXTRACE_NO_CPU_DISPATCH keeps the plain build only.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(VOXTRACE_NO_CPU_DISPATCH)
#define VX_WIDE_BUILDS 1
#define VX_TARGET_V3 __attribute__((target("arch=x86-64-v3")))
#define VX_TARGET_V4 __attribute__((target("arch=x86-64-v4")))
#else
#define VX_WIDE_BUILDS 0
#endif
// Inlined into each build that calls it.
#define VX_INLINE __attribute__((always_inline)) inline
