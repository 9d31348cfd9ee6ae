#pragma once

class TStream;

// Converts a form file (resource header, then the binary form stream) that `input` stands at into
// its indented text rendering, written to `output` at its position: CR LF after every line, nothing
// after the last one. Reader and output errors pass through; the output then holds the text made
// before the failing step.
void FormFileToText(TStream& input, TStream& output);

// The same for a stream that stands at the "TPF0" signature, without resource header.
void FormBinaryToText(TStream& input, TStream& output);
