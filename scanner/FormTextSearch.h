#pragma once

#include <string_view>

#include "scanner/ScanResult.h"

// The help settings in a form's text, as the conversion lays it out (formstream/FormTextLayout.h).

// Reads one form's text (nothing beyond it) into `form`: its name, its own help settings and its
// components with a number other than 0 or any keyword help setting, in the order met. When `tree` is
// given, the same pass also fills it with every component, its nesting and its own help properties.
void ScanFormText(std::string_view text, ScannedForm& form, TFormTree* tree = nullptr);

// The whole tree of a form's text, as ScanFormText fills it.
TFormTree FormTreeOf(std::string_view text);
