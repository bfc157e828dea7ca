#include "runner/Text.h"

#include <cstdio>

namespace lilyhops::script {

std::size_t utf8SequenceLength(std::string_view text) {
    if (text.empty())
        return 0;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // overlong below U+0800
        if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90; // overlong below U+10000
        if (lead == 0xF4)
            high = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

bool isValidUtf8(std::string_view text) {
    while (!text.empty()) {
        std::size_t n = utf8SequenceLength(text);
        if (n == 0)
            return false;
        text.remove_prefix(n);
    }
    return true;
}

std::string shown(std::string_view text, std::size_t maxCharacters) {
    std::string out;
    std::size_t characters = 0;
    auto escape = [&out](unsigned char b) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", b);
        out += buf;
    };
    while (!text.empty()) {
        if (characters == maxCharacters)
            return out + "...";
        std::size_t n = utf8SequenceLength(text);
        auto lead = static_cast<unsigned char>(text[0]);
        bool c1Control = n == 2 && lead == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0;
        if (n == 0 || (n == 1 && (lead < 0x20 || lead == 0x7F)) || c1Control) {
            for (std::size_t i = 0; i < (n ? n : 1); ++i)
                escape(static_cast<unsigned char>(text[i]));
            n = n ? n : 1;
        } else {
            out.append(text.substr(0, n));
        }
        text.remove_prefix(n);
        ++characters;
    }
    return out;
}

} // namespace lilyhops::script
