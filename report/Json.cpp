#include "report/Json.h"

namespace {

void WriteCompact(std::string& out, const Json& value) {
    if (value.is_object()) {
        out += '{';
        bool first = true;
        for (const auto& [key, member] : value.items()) {
            out += first ? "" : ", ";
            first = false;
            WriteCompact(out, Json(key));
            out += ": ";
            WriteCompact(out, member);
        }
        out += '}';
    } else if (value.is_array()) {
        out += '[';
        for (std::size_t i = 0; i < value.size(); ++i) {
            out += i == 0 ? "" : ", ";
            WriteCompact(out, value[i]);
        }
        out += ']';
    } else {
        out += value.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
}

void Write(std::string& out, const Json& value, int depth, int compactFrom) {
    const std::string indent(static_cast<std::size_t>(2 * depth), ' ');
    if (value.is_object() && !value.empty()) {
        out += "{\n";
        std::size_t i = 0;
        for (const auto& [key, member] : value.items()) {
            out += indent + "  ";
            WriteCompact(out, Json(key));
            out += ": ";
            Write(out, member, depth + 1, compactFrom);
            out += ++i < value.size() ? ",\n" : "\n";
        }
        out += indent + "}";
    } else if (value.is_array() && !value.empty()) {
        out += "[\n";
        for (std::size_t i = 0; i < value.size(); ++i) {
            out += indent + "  ";
            if (depth + 1 >= compactFrom)
                WriteCompact(out, value[i]);
            else
                Write(out, value[i], depth + 1, compactFrom);
            out += i + 1 < value.size() ? ",\n" : "\n";
        }
        out += indent + "]";
    } else {
        WriteCompact(out, value);
    }
}

} // namespace

std::string JsonText(const Json& value, int compactFrom) {
    std::string out;
    Write(out, value, 0, compactFrom);
    return out + "\n";
}
