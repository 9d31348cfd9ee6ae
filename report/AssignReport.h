#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "help/HelpNumberPlan.h"
#include "report/TextPieces.h"

// A plan of help numbers as people read it: the forms' names as their bytes, LF line ends.

// One node's line without its end: "Form.Control: 140" ("Form: 100" for a form's own node), or
// "skipped Form.Control: keyword help", "skipped Form.Control: inherited, ancestor unknown" ("inline,
// ancestor unknown" for a frame).
std::string PlanLine(const TPlannedNode& node);
// The same appended to `text`.
void AppendPlanLine(std::string& text, const TPlannedNode& node);

// The last line: "N numbers to give in M forms", or with `given` "N numbers given in M forms" (a count
// of 1 in the singular).
std::string PlanSummary(std::size_t numbers, std::size_t forms, bool given);

// Every node's line, then PlanSummary of the numbers to give and the forms they go to.
std::string PlanText(const std::vector<TPlannedNode>& plan);
// The same in pieces (TTextPieces).
void PlanText(const std::vector<TPlannedNode>& plan, const TTextSink& sink);
