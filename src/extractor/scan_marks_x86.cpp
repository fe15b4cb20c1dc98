#include <immintrin.h>

#include <bit>

#include "extractor/scan_marks.h"

// A table file holds a "." or "=" in one byte of 128 and a mark in one of some 2,000, so the
// search tests whole vectors of bytes: each byte against its successor, with no branch until a
// vector holds a mark. A blank is taken as any byte up to '"', which adds only "!" and '"'.

namespace {

bool IsMark(const char* at) {
  const auto next = static_cast<unsigned char>(at[1]);
  if (at[0] == '.') return next == 'G';
  return at[0] == '=' && (next <= '"' || (next | 0x20) == 'a');
}

size_t FinishBytewise(const char* bytes, size_t i, size_t end) {
  for (; i < end; ++i) {
    if (IsMark(bytes + i)) return i;
  }
  return end;
}

// Sixteen bytes at a time: SSE2, which every x86-64 processor has.
size_t NextScanMarkSse2(const char* bytes, size_t from, size_t end) {
  const __m128i dot = _mm_set1_epi8('.');
  const __m128i equals = _mm_set1_epi8('=');
  const __m128i g = _mm_set1_epi8('G');
  const __m128i lower_a = _mm_set1_epi8('a');
  const __m128i case_bit = _mm_set1_epi8(0x20);
  const __m128i quote = _mm_set1_epi8('"');
  size_t i = from;
  for (; i + 16 <= end; i += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 1));
    const __m128i token = _mm_and_si128(_mm_cmpeq_epi8(here, dot), _mm_cmpeq_epi8(next, g));
    const __m128i opens = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(next, quote), next),
                                       _mm_cmpeq_epi8(_mm_or_si128(next, case_bit), lower_a));
    const __m128i site = _mm_and_si128(_mm_cmpeq_epi8(here, equals), opens);
    const int marks = _mm_movemask_epi8(_mm_or_si128(token, site));
    if (marks != 0) return i + static_cast<size_t>(std::countr_zero(static_cast<unsigned>(marks)));
  }
  return FinishBytewise(bytes, i, end);
}

#if defined(__GNUC__)
// Thirty-two bytes at a time where the processor has AVX2, chosen when the program runs.
__attribute__((target("avx2"))) size_t NextScanMarkAvx2(const char* bytes, size_t from,
                                                        size_t end) {
  const __m256i dot = _mm256_set1_epi8('.');
  const __m256i equals = _mm256_set1_epi8('=');
  const __m256i g = _mm256_set1_epi8('G');
  const __m256i lower_a = _mm256_set1_epi8('a');
  const __m256i case_bit = _mm256_set1_epi8(0x20);
  const __m256i quote = _mm256_set1_epi8('"');
  size_t i = from;
  for (; i + 32 <= end; i += 32) {
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i + 1));
    const __m256i token =
        _mm256_and_si256(_mm256_cmpeq_epi8(here, dot), _mm256_cmpeq_epi8(next, g));
    const __m256i opens =
        _mm256_or_si256(_mm256_cmpeq_epi8(_mm256_min_epu8(next, quote), next),
                        _mm256_cmpeq_epi8(_mm256_or_si256(next, case_bit), lower_a));
    const __m256i site = _mm256_and_si256(_mm256_cmpeq_epi8(here, equals), opens);
    const unsigned marks =
        static_cast<unsigned>(_mm256_movemask_epi8(_mm256_or_si256(token, site)));
    if (marks != 0) return i + static_cast<size_t>(std::countr_zero(marks));
  }
  return NextScanMarkSse2(bytes, i, end);
}
#endif

}  // namespace

size_t NextScanMark(const char* bytes, size_t from, size_t end) {
#if defined(__GNUC__)
  static const bool has_avx2 = __builtin_cpu_supports("avx2");
  if (has_avx2) return NextScanMarkAvx2(bytes, from, end);
#endif
  return NextScanMarkSse2(bytes, from, end);
}
