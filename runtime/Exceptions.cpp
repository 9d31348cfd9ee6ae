#include "runtime/Exceptions.h"

#include "runtime/Format.h"

Exception::Exception(int ident, std::initializer_list<std::string> args) : message_(FormatRes(ident, args)) {}

std::string ErrorMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& raised) {
        return raised.what();
    } catch (...) {
    }
    return "Unknown error";
}
