#include <exception>
#include <string>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "formstream/FormTextReader.h"
#include "io/Streams.h"

// The form file is made whole in memory first: a text that fails half-way writes nothing, so a
// redirected output never holds a form that looks complete and is not.
int Text2FormCommand(const Arguments& args) {
    TFormTextOptions options;
    if (args.Has("--resource-name")) {
        options.ResourceName = args.Value("--resource-name", "");
        if (options.ResourceName.empty())
            throw UsageError("--resource-name needs a NAME");
    }
    options.WideStrings = args.Value("--wide", "utf16") == "utf8" ? wsUtf8 : wsUtf16;
    TFileStream input(args.Operands()[0], fmOpenRead);
    WriteOut(FormTextToFormFile(input, options));
    return kExitSuccess;
}
