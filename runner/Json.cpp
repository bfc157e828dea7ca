#include "runner/Json.h"

#include "game/Numbers.h"

#include <cstdio>

namespace lilyhops::script {

std::string quoteJson(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
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
    case JsonValue::Kind::Single:
        return plainDecimal(v.single);
    case JsonValue::Kind::Double:
        return plainDecimal(v.real);
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
