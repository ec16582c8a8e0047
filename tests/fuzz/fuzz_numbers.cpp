// Number texts: the value of any text, the prompt conversion and the general
// number format never crash, never give a non-finite number, and what is
// shown reads back as what was stored.
#include "fuzz/FuzzInput.h"
#include "input/PromptNumber.h"
#include "numbers/NumberText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const QString& text : {latin1FromBytes(data, size), utf16FromBytes(data, size)}) {
        const double value = numericValue(text);
        FUZZ_CHECK(std::isfinite(value));
        const QString general = generalNumber(value);
        FUZZ_CHECK(!general.isEmpty() && general.size() <= 400);
        if (std::fabs(value) < 1e15)
            FUZZ_CHECK(numericValue(general) == numericValue(generalNumber(numericValue(general))));
        FUZZ_CHECK(fixedTwoDecimals(value).contains(u'.'));

        if (const std::optional<float> answer = parsePromptAnswer(text)) {
            FUZZ_CHECK(std::isfinite(*answer));
            const QString shown = singlePrecisionText(*answer);
            const std::optional<float> again = parsePromptAnswer(shown);
            FUZZ_CHECK(again.has_value());
            FUZZ_CHECK(singlePrecisionText(*again) == shown);
            FUZZ_CHECK(std::isfinite(numericValue(shown)));
        }
    }
    if (size >= sizeof(double)) {
        double bits = 0;
        std::memcpy(&bits, data, sizeof bits);
        if (std::isfinite(bits) && std::fabs(bits) < 1e15) {
            // 15 significant digits survive the trip through the box text.
            const double back = numericValue(generalNumber(bits));
            FUZZ_CHECK(back == 0.0 ? std::fabs(bits) < 1e-300 || bits == 0.0
                                   : std::fabs(back - bits) <= std::fabs(bits) * 1e-14);
        }
    }
    return 0;
}
