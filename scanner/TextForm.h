#pragma once

#include <cstddef>
#include <string_view>

// Forms saved as text by the environment's later versions: the rendering itself, stored as the
// form file ("object Form1: TForm1", CR LF or LF line ends).

// Where the text of a text-saved form begins: the position of its first word when `bytes`, after
// an optional UTF-8 byte-order mark and white space, begin with "object", "inherited" or "inline"
// followed by a blank or tab; std::string_view::npos for anything else, a binary form included.
std::size_t TextFormStart(std::string_view bytes);
