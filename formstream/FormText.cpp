#include "formstream/FormText.h"

// Placeholder until the conversion lands.
void FormFileToText(TStream&, TStream&) {}
void FormBinaryToText(TStream&, TStream&) {}
