#pragma once

// What the processor offers beyond the build's baseline (SSE2 on x86-64),
// asked once per process. The faster row loops are compiled with their own
// target attributes and chosen at run time.

namespace orlscr {

#if defined(__SSE2__)
inline bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

inline bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// AVX-512 on bytes and words (and the OS keeping its registers).
inline bool HasAvx512Bw() {
    static const bool has = __builtin_cpu_supports("avx512bw");
    return has;
}

// AVX-512 with byte permutes across a whole register (and the OS keeping
// its registers).
inline bool HasAvx512Vbmi() {
    static const bool has = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
    return has;
}
#endif

}  // namespace orlscr
