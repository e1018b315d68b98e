#include "FileNames.h"

#include <cstdint>

namespace platform {

namespace {

constexpr char16_t kFirstKeptByte = 0xDC80; // stands for byte 0x80
constexpr char16_t kLastKeptByte = 0xDCFF;  // stands for byte 0xFF

// A kept byte is a lone low surrogate in the range; the same unit after a high
// surrogate is the second half of an ordinary character past U+FFFF.
bool IsKeptByte(const QString& text, qsizetype i)
{
    const char16_t unit = text[i].unicode();
    return unit >= kFirstKeptByte && unit <= kLastKeptByte && (i == 0 || !text[i - 1].isHighSurrogate());
}

bool IsContinuation(std::uint8_t byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence starting at bytes[at], or 0 when the byte
// there does not start one (overlong forms, surrogates and values past U+10FFFF are
// not valid UTF-8).
int ValidSequenceLength(const QByteArray& bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return static_cast<std::uint8_t>(bytes[i]); };
    const std::uint8_t lead = byte(at);
    const qsizetype left = bytes.size() - at;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return left >= 2 && IsContinuation(byte(at + 1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3 || !IsContinuation(byte(at + 1)) || !IsContinuation(byte(at + 2)))
            return 0;
        const std::uint8_t second = byte(at + 1);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0))
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4 || !IsContinuation(byte(at + 1)) || !IsContinuation(byte(at + 2)) || !IsContinuation(byte(at + 3)))
            return 0;
        const std::uint8_t second = byte(at + 1);
        if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

} // namespace

QString DecodeFileName(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        // Runs of valid UTF-8 convert in one piece; ASCII is the usual case.
        qsizetype end = at;
        while (end < bytes.size()) {
            const int length = ValidSequenceLength(bytes, end);
            if (length == 0)
                break;
            end += length;
        }
        if (end > at)
            text += QString::fromUtf8(bytes.constData() + at, end - at);
        if (end < bytes.size()) {
            text += QChar(static_cast<char16_t>(kFirstKeptByte - 0x80 + static_cast<std::uint8_t>(bytes[end])));
            ++end;
        }
        at = end;
    }
    return text;
}

QByteArray EncodeFileName(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !IsKeptByte(name, i))
            continue;
        bytes += QStringView(name).mid(start, i - start).toUtf8();
        if (i < name.size())
            bytes += static_cast<char>(name[i].unicode() - kFirstKeptByte + 0x80);
        start = i + 1;
    }
    return bytes;
}

QString DisplayFileName(const QString& name)
{
    QString shown = name;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (IsKeptByte(name, i))
            shown[i] = QChar(static_cast<char16_t>(name[i].unicode() - kFirstKeptByte + 0x80));
    }
    return shown;
}

} // namespace platform
