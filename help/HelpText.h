#pragma once

#include <string>
#include <string_view>
#include <vector>

// Text as the files of help projects have it, written on Windows by wizards and by hand over years.

// `bytes` as UTF-8 with LF line ends: UTF-8 with or without a byte-order mark, UTF-16 LE or BE with
// one, anything else in the system's code page (os::SystemCodePage). CR LF, CR CR LF and a lone CR
// end a line as LF does.
std::string HelpFileText(std::string_view bytes);

// The lines of a text with LF line ends; the n-th line is number n + 1.
std::vector<std::string_view> TextLines(std::string_view text);

// A line of C source, its comments gone and its continuations ("\" at a line's end) joined, with the
// number of its first line.
struct SourceLine {
    std::string Text;
    int Number = 0;
};
// The lines of C source text with LF line ends: "/* */" and "//" comments are blanks (line ends in
// them kept), outside string and character constants.
std::vector<SourceLine> SourceLines(std::string_view text);

// `text` without the blanks, tabs and CRs around it.
std::string_view Trimmed(std::string_view text);
// The line up to a ";" that stands outside double quotes: the comment of every help project's line.
std::string_view BeforeSemicolonComment(std::string_view line);
