#include "runtime/Exceptions.h"

#include "runtime/Format.h"

Exception::Exception(int ident, std::initializer_list<std::string> args) : message_(FormatRes(ident, args)) {}
