#pragma once

#include <initializer_list>
#include <string>

// Fills the "%s" placeholders of a message, in order, with the arguments exactly as given.
// "%%" gives one "%"; any other "%" sequence, and a "%s" without an argument left, stays as written.
std::string Format(const std::string& pattern, std::initializer_list<std::string> args);

// Format applied to a message of the table.
std::string FormatRes(int ident, std::initializer_list<std::string> args);
