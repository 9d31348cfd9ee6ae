#pragma once

#include <cstddef>
#include <string_view>

// The layout of the text a binary form converts to, as the conversion (FormFileToText) writes it and as
// the scan's text search reads it: written down once, for both.
//
//   object Form1: TForm1          a header: its word, the name, ": ", the class (" [n]" after it for a
//     Caption = 'Help'            child position); a property: its name, " = ", the value, each a
//     HelpContext = 100           level deeper than its object's header
//     object Button1: TButton     a nested object, a level deeper than its parent's header
//       HelpContext = 110
//     end                         "end" closes an object at the level of its header
//   end
//
// A value that runs over several lines (a long string, a list, a binary block, a collection) goes on
// with lines indented deeper than its property. Every line ends with CR LF; nothing follows the last.
namespace form_text {

// The blanks each level of nesting indents.
constexpr std::size_t kIndentStep = 2;
// The words that begin a header, with the blank after them; an object of a form that inherits from
// another begins with "inherited ", a frame of later versions with "inline ".
constexpr std::string_view kObjectWord = "object ";
constexpr std::string_view kInheritedWord = "inherited ";
constexpr std::string_view kInlineWord = "inline ";
// What stands between a header's name and its class, and between a property's name and its value.
constexpr std::string_view kNameClassSeparator = ": ";
constexpr std::string_view kPropertySeparator = " = ";
// The line that closes an object.
constexpr std::string_view kEndLine = "end";
constexpr std::string_view kLineEnd = "\r\n";

} // namespace form_text
