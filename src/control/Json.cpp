#include "control/Json.h"

#include <cstdio>

namespace zk::control {

std::string JsonWriter::Quoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
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
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (u < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                out += escaped;
            } else {
                out.push_back(c);
            }
        }
    }
    return out + "\"";
}

void JsonWriter::Key(std::string_view key) {
    if (!first_.back())
        out_ += ",";
    first_.back() = false;
    if (!key.empty())
        out_ += Quoted(key) + ":";
}

JsonWriter& JsonWriter::BeginObject(std::string_view key) {
    Key(key);
    out_ += "{";
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    first_.pop_back();
    out_ += "}";
    return *this;
}

JsonWriter& JsonWriter::BeginArray(std::string_view key) {
    Key(key);
    out_ += "[";
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    first_.pop_back();
    out_ += "]";
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view key, std::string_view value) {
    Key(key);
    out_ += Quoted(value);
    return *this;
}

JsonWriter& JsonWriter::Number(std::string_view key, std::int64_t value) {
    Key(key);
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(std::string_view key, bool value) {
    Key(key);
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null(std::string_view key) {
    Key(key);
    out_ += "null";
    return *this;
}

} // namespace zk::control
