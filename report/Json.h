#pragma once

#include <string>

#include <nlohmann/json.hpp>

// JSON documents of the reports: values built with the library, written in one layout.

// Members keep the order they were added in.
using Json = nlohmann::ordered_json;

// `value` as text ending in a line end: objects one member a line and arrays one element a line,
// indented by two blanks a level, down to the array elements at `compactFrom` levels deep or deeper,
// which stand on one line each ({"a": 1, "b": [2, 3]}). Strings must be UTF-8; a byte that is not
// becomes U+FFFD.
std::string JsonText(const Json& value, int compactFrom);
