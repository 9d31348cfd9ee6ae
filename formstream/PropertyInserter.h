#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A HelpContext to give one component of a form: the component by its place among the form's
// component records (or headers, in a text) in depth-first order, 0 the root.
struct THelpContextSetting {
    std::size_t Component = 0;
    std::int32_t Number = 0;
};

// The property's name as forms store it.
constexpr std::string_view kHelpContextName = "HelpContext";

// Both functions change a form only by the settings: every other byte stays as it was. A component
// that already stores a HelpContext (any spelling of the name's case) has that value replaced; one
// that does not gets the property after its last one. Each component is set at most once: of several
// settings for one component the last counts. A setting for a component the form does not have
// raises EReadError "Form has no component <n>", and nothing is returned.

// A binary form file (resource header, "TPF0", the records): the property in the narrowest integer
// kind just before the 0 that ends the component's properties, and the header's data size moved by
// as many bytes as the form data grew. The reader's errors pass through for a form it cannot read
// whole; EWriteError "Form too large" when the size would not fit.
std::string SetHelpContexts(std::string_view formFile, const std::vector<THelpContextSetting>& settings);

// A form saved as text by later versions: a line "HelpContext = N" after the component's last
// property line (after its header line when it has none), indented as its property lines are (two
// blanks deeper than the header when it has none), ended as the text's first line is (CR LF, LF or a
// lone CR; CR LF for a text without one). Where the line holding the end of the last property goes
// on with the next word, the new line is put between them. The text reader's errors pass through
// (EParserError "Line <n>: <what>") for a text it cannot read whole.
std::string SetHelpContextsInText(std::string_view text, const std::vector<THelpContextSetting>& settings);
