#include "cli/Text2FormCommand.h"

#include <iostream>

#include "formstream/FormTextReader.h"
#include "formstream/Streams.h"

namespace {

const char kUsage[] = "usage: quorvel-cli text2form [--resource-name NAME] [--wide utf16|utf8] FILE";

const char kHelp[] =
    "Writes the binary form file of a form's text (CR LF or LF lines) to standard output, only once\n"
    "it is whole. The resource is named after the root component's class in upper case unless NAME\n"
    "is given; strings with characters above 255 are stored as UTF-16 (default) or UTF-8.\n";

int UsageError(const std::string& problem) {
    std::cerr << "quorvel-cli: " << problem << '\n' << kUsage << '\n';
    return 2;
}

} // namespace

int Text2FormCommand(const std::vector<std::string>& args) {
    TFormTextOptions options;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage << '\n' << kHelp;
            return 0;
        } else if (arg == "--resource-name" || arg == "--wide") {
            if (i + 1 == args.size())
                return UsageError(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--resource-name") {
                if (value.empty())
                    return UsageError("--resource-name needs a NAME");
                options.ResourceName = value;
            } else if (value == "utf16" || value == "utf8") {
                options.WideStrings = value == "utf8" ? wsUtf8 : wsUtf16;
            } else {
                return UsageError("--wide takes utf16 or utf8, not '" + value + "'");
            }
        } else {
            return UsageError("unknown option '" + arg + "'");
        }
    }
    if (operands.size() != 1)
        return UsageError(operands.empty() ? "text2form needs a FILE" : "text2form takes one FILE");

    try {
        std::string file;
        {
            TFileStream input(operands[0], fmOpenRead);
            file = FormTextToFormFile(input, options);
        }
        THandleStream output(os::StdOutHandle());
        output.WriteExact(file.data(), static_cast<std::int32_t>(file.size()));
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "quorvel-cli: " << error.what() << ".\n";
        return 1;
    }
}
