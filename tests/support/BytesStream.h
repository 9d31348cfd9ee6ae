#pragma once

#include <cstdint>
#include <string>

#include "io/Streams.h"

// A memory stream that holds `bytes`, standing at its start: the input side of reader and
// conversion tests.
class BytesStream : public TMemoryStream {
public:
    explicit BytesStream(const std::string& bytes) {
        Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        SetPosition(0);
    }

    // The bytes from the start to the end.
    std::string Bytes() const { return std::string(Memory(), static_cast<size_t>(size_)); }
};
