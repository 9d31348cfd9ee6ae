#pragma once

#include <string>

// Compiles a form written as its text rendering back into a binary form file, so that test and
// demo forms can be kept as readable text. It understands the common subset:
//
//     object Form1: TForm1            (also "inherited ...", an unnamed "object TBevel", " [n]")
//       Caption = 'Main'#13'x'        (strings with #n pieces; long ones become long strings)
//       HelpContext = 42              (integers: the smallest integer tag that holds them)
//       BorderIcons = [biSystemMenu]  (sets), True, False, nil, identifiers
//       object Bevel1: TBevel
//       end
//     end
//
// Properties stand before child objects; indentation is not looked at. Raises std::runtime_error
// with the line number on anything else.
std::string CompileFormText(const std::string& text, const std::string& resourceName);
