// Text from forms and users made safe for the HTML reports.
#include "reports/htmltext.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace reports {

std::size_t firstHtmlSpecial(std::string_view text) {
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i amp = _mm_set1_epi8('&'), lt = _mm_set1_epi8('<'), gt = _mm_set1_epi8('>');
    for (; i + 16 <= text.size(); i += 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
        const int hits = _mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, amp), _mm_cmpeq_epi8(b, lt)), _mm_cmpeq_epi8(b, gt)));
        if (hits) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
    }
#endif
    for (; i < text.size(); ++i)
        if (t[i] == '&' || t[i] == '<' || t[i] == '>') return i;
    return text.size();
}

void appendEscaped(std::string& out, std::string_view text) {
    escapeHtml(text, [&out](std::string_view piece) { out.append(piece); });
}

} // namespace reports
