#include "TerminalText.h"

namespace cli {

namespace {

void AppendOctal(QByteArray& out, unsigned char byte)
{
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

} // namespace

QByteArray EscapeControls(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (byte == '\n')
            out += "\\n";
        else if (byte == '\t')
            out += "\\t";
        else if (byte == '\r')
            out += "\\r";
        else if (byte < 0x20 || byte == 0x7F)
            AppendOctal(out, byte);
        else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            // U+0080..U+009F in UTF-8: terminals take some of these as commands too.
            AppendOctal(out, byte);
            AppendOctal(out, next);
            ++i;
        } else
            out += static_cast<char>(byte);
    }
    return out;
}

} // namespace cli
