#pragma once

#include <string>
#include <string_view>

#include "runtime/Exceptions.h"

// The Windows code pages that forms and help files are written in, converted to UTF-8 by tables the
// program carries (made at build time by scripts/make-codepage-tables.py), so that every build of the
// program gives the same text whatever converters the system has.

// `bytes` in the code page as UTF-8, as Windows converts them. Tables are carried for 874, 1250 to 1258,
// 932, 936, 949 and 950; for another code page, bytes raise the error of UnconvertibleCodePage.
std::string CodePageTextToUtf8(unsigned codePage, std::string_view bytes);
// Whether a table is carried for the code page.
bool CodePageTableCarried(unsigned codePage);

// The error for text of a code page that cannot be converted here: never any other text for it.
inline Exception UnconvertibleCodePage(unsigned codePage) {
    return Exception("Text of code page " + std::to_string(codePage) + " cannot be converted here");
}
