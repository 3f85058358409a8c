// The x86 vector intrinsics for the page build. SSE2 is Emscripten's, in
// WebAssembly's 128-bit vectors, with the x86's results; AVX2 has no such
// form there, and the passes never choose it (the build says the processor
// lacks it): these declarations only let its forms compile, and end the
// program should one ever be reached.
#pragma once

#include <emmintrin.h>

typedef struct { __m128i low, high; } __m256i;
typedef struct { __m128d low, high; } __m256d;
typedef struct { __m128 low, high; } __m256;

#define _CMP_GE_OQ 0x1d

template <typename... Arguments> inline __m256i _mm256_add_epi32(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_and_si256(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_blendv_epi8(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_cmpeq_epi32(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_cmpgt_epi32(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_loadu_si256(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_max_epi32(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_mullo_epi32(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_or_si256(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_set1_epi32(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_set1_epi64x(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_setr_epi32(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_setr_epi8(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_shuffle_epi8(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_castsi128_si256(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_inserti128_si256(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_setzero_si256(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256i _mm256_sub_epi32(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256d _mm256_add_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256d _mm256_and_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256d _mm256_castsi256_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256d _mm256_cmp_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256d _mm256_mul_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256d _mm256_or_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256d _mm256_set1_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256d _mm256_set_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256d _mm256_setzero_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256d _mm256_sub_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m256 _mm256_castsi256_ps(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline __m128i _mm256_cvttpd_epi32(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline int _mm256_movemask_pd(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline int _mm256_movemask_ps(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline void _mm256_store_si256(Arguments...) { __builtin_trap(); }
template <typename... Arguments> inline void _mm256_storeu_si256(Arguments...) { __builtin_trap(); }
