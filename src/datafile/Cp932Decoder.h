#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// Windows code page 932 -> text, the reverse of Cp932::encode. 81 60 reads
// as U+FF5E FULLWIDTH TILDE and 81 7C as U+FF0D FULLWIDTH HYPHEN-MINUS, as
// Windows reads them.
namespace Cp932
{

// Every byte sequence gives a text: a byte that starts no character of the
// code page, or a lead byte without its second byte, reads as U+FFFD, so that
// a damaged field still shows the rest of its text.
QString decode(QByteArrayView bytes);

// Nothing when the bytes are not code page 932 text.
std::optional<QString> decodeExact(QByteArrayView bytes);

} // namespace Cp932
