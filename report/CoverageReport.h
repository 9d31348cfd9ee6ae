#pragma once

#include <string>
#include <vector>

#include "report/TextPieces.h"
#include "scanner/ScanResult.h"

// Where F1 lands from every control a user can focus (scanner/HelpLanding.h), as people and other
// tools read it: over forms read with their trees, in their order, each form's controls in tree order,
// the form's own node first. A form is named by its name, a control by its own.

// Per form "Form: N controls, a own, b container, c form, d none", then "  none: A, B, ..." when some
// land nowhere; at the end "N controls in M forms: a own, b container, c form, d none, e unknown" (a
// count of 1 in the singular). The forms' bytes; LF line ends.
std::string CoverageText(const std::vector<const ScannedForm*>& forms, bool laterVersions);
// The same in pieces (TTextPieces).
void CoverageText(const std::vector<const ScannedForm*>& forms, bool laterVersions, const TTextSink& sink);

// A JSON array, one control a line: {"form", "control" (null for the form's own node), "class", "lands",
// "via" ("form" or "form.component" whose help F1 reaches; null for none and unknown), and that node's
// "number", or its "keyword" when keyword help is what F1 uses there (null for none and unknown)}. In
// UTF-8, by each form's NameEncoding.
std::string CoverageJson(const std::vector<const ScannedForm*>& forms, bool laterVersions);

// RFC 4180 CSV in UTF-8 with CR LF line ends: "form,control,class,lands,via,number,keyword", then a
// row per control with the JSON's values (an empty field for null; number or keyword, the other empty).
std::string CoverageCsv(const std::vector<const ScannedForm*>& forms, bool laterVersions);
