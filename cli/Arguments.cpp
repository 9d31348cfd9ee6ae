#include "cli/Arguments.h"

#include <algorithm>

namespace {

bool LooksLikeOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

} // namespace

Arguments::Arguments(const std::vector<std::string>& args, const std::vector<CommandOption>& options) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !LooksLikeOption(arg)) {
            operands_.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const auto known = std::find_if(options.begin(), options.end(),
                                        [&name](const CommandOption& option) { return name == option.Name; });
        if (known == options.end())
            throw UsageError("unknown option '" + name + "'");
        if (!known->TakesValue) {
            if (equals != std::string::npos)
                throw UsageError("option '" + name + "' takes no value");
            values_[name];
            continue;
        }
        if (equals != std::string::npos)
            values_[name] = arg.substr(equals + 1);
        else if (i + 1 < args.size())
            values_[name] = args[++i];
        else
            throw UsageError("option '" + name + "' needs a value");
        const std::vector<std::string>& choices = known->Choices;
        if (!choices.empty() && std::find(choices.begin(), choices.end(), values_[name]) == choices.end())
            throw UsageError(name + " takes " + Alternatives(choices) + ", not '" + values_[name] + "'");
    }
    for (const CommandOption& option : options) {
        if (!option.Excludes.empty() && Has(option.Name) && Has(option.Excludes))
            throw UsageError(option.Excludes + " and " + option.Name + " exclude each other");
    }
}

std::string Arguments::Value(const std::string& option, const std::string& fallback) const {
    const auto found = values_.find(option);
    return found == values_.end() ? fallback : found->second;
}

bool AsksFor(const std::vector<std::string>& args, std::initializer_list<const char*> spellings) {
    for (const std::string& arg : args) {
        if (arg == "--")
            return false;
        for (const char* spelling : spellings) {
            if (arg == spelling)
                return true;
        }
    }
    return false;
}

std::string Alternatives(const std::vector<std::string>& words) {
    std::string text;
    for (size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
    return text;
}
