#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Text as the files of help projects have it, written on Windows by wizards and by hand over years.

// `bytes` as UTF-8 with LF line ends: UTF-8 with or without a byte-order mark, UTF-16 LE or BE with
// one, anything else in the system's code page (os::SystemCodePage). CR LF, CR CR LF and a lone CR
// end a line as LF does. UTF-8 is made so in place, without a second copy of a large file.
std::string HelpFileText(std::string bytes);

// The first line of `rest` (LF line ends), taken off it.
std::string_view TakeLine(std::string_view& rest);

// The lines of C source text with LF line ends, one at a time: "/* */" and "//" comments are blanks
// (line ends in them kept), outside string and character constants, and continuations ("\" at a
// line's end) joined.
class TSourceLines {
public:
    explicit TSourceLines(std::string source);
    // The next line, and the number of its first line; false after the last.
    bool Next(std::string_view& line, int& number);
    // The number of the last line read.
    int LastNumber() const { return number_; }

private:
    std::string code_;
    std::string_view rest_;
    std::string joined_; // a line continued onto the next ones
    int number_ = 0;
};

// `text` without the blanks, tabs and CRs around it.
std::string_view Trimmed(std::string_view text);
// The line up to a ";" that stands outside double quotes: the comment of every help project's line.
std::string_view BeforeSemicolonComment(std::string_view line);

// Adds the items of a list separated by `separator` ("a; b;;c"), each without the blanks around it,
// empty ones left out.
void AddListItems(std::string_view list, char separator, std::vector<std::string>& items);

// A name or token of a file as a message echoes it: cut to a readable length, `limit` bytes (at a
// character's start, marked "..."), however long it is written.
std::string Shown(std::string_view text, std::size_t limit = 60);
// The bound for a path of a file found, which a message names whole unless it is longer than any real
// one.
constexpr std::size_t kShownPathBytes = 260;
