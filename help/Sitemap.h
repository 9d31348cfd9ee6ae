#pragma once

#include <string>
#include <string_view>
#include <vector>

// The keywords of HTML help: its index (a sitemap, an .hhk file) and the keyword objects of its topic
// files.

// The values of every `<param name="NAME" value="...">` of an HTML text, in order, the attribute
// names compared without case and the values' references decoded to UTF-8 as HTML's (EntityAt); a "&"
// that begins none stays as it is written. Tags and attributes may be written in any case, values in double
// or single quotes or none. Never reads past the text, however it breaks off.
std::vector<std::string> ParamValues(std::string_view html, std::string_view name);

// An index's keywords: each entry's Name, a sub-entry's as written.
std::vector<std::string> IndexKeywords(std::string_view sitemap);

// A topic file's keywords: the values of its objects' Keyword parameters, several in one separated by
// ";", each without the blanks around it.
std::vector<std::string> TopicKeywords(std::string_view html);
