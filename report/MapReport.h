#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "help/HelpEntries.h"

// The numbered nodes as the map a help project includes.

// One line of the map without its end: "#define <identifier> <number>".
std::string MapLine(const std::string& identifier, std::int32_t number);

// The C header both help compilers include: "/* Help context numbers of <project> (<madeBy>) */",
// then a MapLine per entry with a number (HelpMapIdentifiers with `prefix`), every line ending in CR LF.
std::string MapHeader(const std::vector<HelpContextEntry>& entries, const std::string& project,
                      const std::string& madeBy, const std::string& prefix);

// RFC 4180 CSV in UTF-8 with CR LF line ends: "form,component,number", then one row per entry with a
// number.
std::string MapCsv(const std::vector<HelpContextEntry>& entries);
