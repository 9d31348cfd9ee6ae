#pragma once

#include <string_view>

#include "scanner/ScanResult.h"

// The help settings in a form's text, as the conversion lays it out (formstream/FormTextLayout.h).

// Reads one form's text (nothing beyond it) into `form`: its name, its own help settings and its
// components with a number other than 0 or any keyword help setting, in the order met.
void ScanFormText(std::string_view text, ScannedForm& form);
