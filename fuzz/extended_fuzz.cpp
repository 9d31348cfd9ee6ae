// Extended values on arbitrary 10-byte patterns: wherever the fast path decides, it must give the
// 15 digits and the exponent that the exact expansion gives; and the text of every value must be
// the one laid out here plainly from the exact digits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formstream/NumberText.h"
#include "formstream/Reader.h"

namespace {

// 15 significant digits, half up at the 16th, then fixed form for exponents -3 to 15, else "1.5E-7".
std::string PlainText(const TExtended& value) {
    const std::uint64_t mantissa = value.Mantissa();
    if (value.ExponentField() == 0x7FFF)
        return (mantissa & 0x7FFFFFFFFFFFFFFFull) == 0 ? "INF" : "NAN";
    if (value.ExponentField() == 0 || mantissa == 0)
        return "0";
    const detail::TDecimalDigits exact = detail::ExtendedDigits18Exact(value);
    std::uint64_t digits15 = exact.Digits / 1000 + (exact.Digits % 1000 >= 500 ? 1 : 0);
    int e = exact.Exponent;
    if (digits15 == 1000000000000000ull) {
        digits15 /= 10;
        ++e;
    }
    std::string digits = std::to_string(digits15);
    digits.erase(digits.find_last_not_of('0') + 1);
    const int k = static_cast<int>(digits.size());
    std::string text = value.Negative() ? "-" : "";
    if (e >= -3 && e <= 0)
        return text + "0." + std::string(static_cast<std::size_t>(-e), '0') + digits;
    if (e >= 1 && e <= 15) {
        if (k <= e)
            return text + digits + std::string(static_cast<std::size_t>(e - k), '0');
        return text + digits.substr(0, static_cast<std::size_t>(e)) + "." +
               digits.substr(static_cast<std::size_t>(e));
    }
    text += digits[0];
    if (k > 1)
        text += "." + digits.substr(1);
    return text + "E" + std::to_string(e - 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size != sizeof TExtended::Bytes)
        return 0;
    TExtended value;
    std::memcpy(value.Bytes, data, size);
    if (FormatExtended(value) != PlainText(value))
        std::abort();
    detail::TDecimalDigits fast;
    if (!detail::ExtendedDigits15Fast(value, fast))
        return 0;
    const detail::TDecimalDigits exact = detail::Digits15Of(detail::ExtendedDigits18Exact(value));
    if (fast.Digits != exact.Digits || fast.Exponent != exact.Exponent)
        std::abort();
    return 0;
}
