#include "runner/Json.h"

#include "game/Numbers.h"
#include "runner/Text.h"

#include <cmath>
#include <cstdio>

namespace lilyhops::script {

std::string quoteJson(const std::string& text) {
    std::string out = "\"";
    std::string_view rest = text;
    while (!rest.empty()) {
        // A byte that starts no UTF-8 character becomes the replacement
        // character, so that every line written is valid JSON.
        std::size_t n = utf8SequenceLength(rest);
        if (n == 0) {
            out += "\\ufffd";
            rest.remove_prefix(1);
            continue;
        }
        if (n > 1) {
            out.append(rest.substr(0, n));
            rest.remove_prefix(n);
            continue;
        }
        auto c = static_cast<unsigned char>(rest[0]);
        rest.remove_prefix(1);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

std::string toJson(const JsonValue& v) {
    switch (v.kind) {
    case JsonValue::Kind::Integer:
        return std::to_string(v.integer);
    // JSON has no infinity: a value the game's sums have pushed out of range
    // is written as null.
    case JsonValue::Kind::Single:
        return std::isfinite(v.single) ? plainDecimal(v.single) : "null";
    case JsonValue::Kind::Double:
        return std::isfinite(v.real) ? plainDecimal(v.real) : "null";
    case JsonValue::Kind::Boolean:
        return v.boolean ? "true" : "false";
    case JsonValue::Kind::Text:
        return quoteJson(v.text);
    case JsonValue::Kind::Array: {
        std::string out = "[";
        for (std::size_t i = 0; i < v.items.size(); ++i)
            out += (i ? "," : "") + toJson(v.items[i]);
        return out + "]";
    }
    }
    return "null";
}

} // namespace lilyhops::script
