#pragma once

// A small JSON writer for the tool's --json output: objects and arrays are
// opened and closed in order; strings are escaped.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk::control {

class JsonWriter {
public:
    JsonWriter& BeginObject(std::string_view key = {});
    JsonWriter& EndObject();
    JsonWriter& BeginArray(std::string_view key = {});
    JsonWriter& EndArray();
    JsonWriter& String(std::string_view key, std::string_view value);
    JsonWriter& Number(std::string_view key, std::int64_t value);
    JsonWriter& Bool(std::string_view key, bool value);
    JsonWriter& Null(std::string_view key);
    // The text, with a final line break.
    std::string Text() const { return out_ + "\n"; }

    static std::string Quoted(std::string_view s);

private:
    void Key(std::string_view key);

    std::string out_;
    std::vector<bool> first_{true};
};

} // namespace zk::control
