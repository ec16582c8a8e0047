#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Fuzz bytes as UTF-16 code units, unpaired surrogates and all: the texts a
// user can put into a box are any QString.
inline QString utf16FromBytes(const uint8_t* data, size_t size)
{
    QString text;
    text.reserve(qsizetype(size / 2));
    for (size_t i = 0; i + 1 < size; i += 2)
        text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
    return text;
}

// The same bytes read as Latin-1, which reaches the ASCII number syntax more
// often than random UTF-16 does.
inline QString latin1FromBytes(const uint8_t* data, size_t size)
{
    return QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);      \
            abort();                                                                               \
        }                                                                                          \
    } while (0)
