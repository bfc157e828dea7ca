#pragma once

// The values a script shows, written as JSON in their shortest form.

#include <cstdint>
#include <string>
#include <vector>

namespace lilyhops::script {

struct JsonValue {
    enum class Kind { Integer, Single, Double, Boolean, Text, Array };
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    float single = 0;
    double real = 0;
    bool boolean = false;
    std::string text;
    std::vector<JsonValue> items;

    static JsonValue of(std::int64_t v) { return {Kind::Integer, v, 0, 0, false, {}, {}}; }
    static JsonValue of(float v) { return {Kind::Single, 0, v, 0, false, {}, {}}; }
    static JsonValue of(double v) { return {Kind::Double, 0, 0, v, false, {}, {}}; }
    static JsonValue of(bool v) { return {Kind::Boolean, 0, 0, 0, v, {}, {}}; }
    static JsonValue of(std::string v) { return {Kind::Text, 0, 0, 0, false, std::move(v), {}}; }
    static JsonValue array(std::vector<JsonValue> v) {
        return {Kind::Array, 0, 0, 0, false, {}, std::move(v)};
    }
};

std::string toJson(const JsonValue& value);
std::string quoteJson(const std::string& text);

} // namespace lilyhops::script
