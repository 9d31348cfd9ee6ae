#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "formstream/FormText.h"
#include "io/Streams.h"

// The conversion streams straight to standard output, so memory stays small however large the
// form, and the text made before a failing step is already out when the message follows.
int Form2TextCommand(const Arguments& args) {
    TFileStream input(args.Operands()[0], fmOpenRead);
    THandleStream output(os::StdOutHandle());
    FormFileToText(input, output);
    return kExitSuccess;
}
