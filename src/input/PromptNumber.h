#pragma once

#include <QString>

#include <optional>

// The answer of a target or increment prompt, checked as a single-precision
// number: blanks around it, a sign, a decimal point and an exponent are
// accepted; an empty answer, anything else, or a number beyond single
// precision is refused.
std::optional<float> parsePromptAnswer(const QString& answer);
