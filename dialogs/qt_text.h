#pragma once
// The widget edge: texts are 8-bit strings in the core and become QString only
// here, through Latin-1, so every byte 0-255 survives the round trip.

#include <QString>
#include <string>

namespace vtq {

inline QString ToQ(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQ(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace vtq
