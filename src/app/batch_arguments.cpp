#include "batch_arguments.h"

#include "converter/trim.h"
#include "media/numbers.h"
#include "settings/parameter_rules.h"

#include <algorithm>
#include <filesystem>

namespace calm {

namespace {

// The edits' parameters: the five and the zoom.
const ParameterRule* rule_named(std::string_view key)
{
    for (const auto& rule : parameter_rules)
        if (rule.key == key)
            return &rule;
    return key == zoom_rule.key ? &zoom_rule : nullptr;
}

// What the options window would let the user leave in the edit: typed key
// by key, within its length, then the leave check.
std::optional<std::string> parameter_error(const ParameterRule& rule, const std::string& text)
{
    const std::string option = "--" + std::string(rule.key);
    if (trimmed(text).empty())
        return option + " needs a value";
    if (static_cast<int>(text.size()) > rule.max_length)
        return option + " takes at most " + std::to_string(rule.max_length) + " characters";
    std::string typed;
    for (char c : text) {
        if (!accepts_typed(rule, static_cast<unsigned char>(c), typed))
            return option + ": " + std::string(rule.refusal);
        typed += c;
    }
    try {
        if (leave_check(rule, text).refused)
            return option + ": " + std::string(rule.refusal);
    } catch (const ConversionError& e) {
        return option + ": " + e.what();
    }
    return std::nullopt;
}

} // namespace

std::variant<BatchArguments, UsageError> parse_batch_arguments(const std::vector<std::string>& args)
{
    BatchArguments result;
    bool options_end = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (options_end || arg.empty() || arg[0] != '-' || arg == "-") {
            result.sources.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_end = true;
            continue;
        }
        // "--name=value" as well as "--name value".
        std::optional<std::string> inline_value;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                inline_value = arg.substr(eq + 1);
                arg.resize(eq);
            }
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inline_value)
                return inline_value;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        auto flag = [&](bool& target) -> std::optional<UsageError> {
            if (inline_value)
                return UsageError{arg + " takes no value"};
            target = true;
            return std::nullopt;
        };
        std::optional<UsageError> error;
        if (arg == "-o" || arg == "--output" || arg == "-d" || arg == "--output-folder") {
            const auto v = value();
            if (!v || v->empty())
                return UsageError{arg + " needs a file name"};
            (arg == "-o" || arg == "--output" ? result.output : result.output_folder) = *v;
        } else if (arg == "-j" || arg == "--jobs") {
            const auto v = value();
            if (!v || (*v != "1" && *v != "2"))
                return UsageError{arg + " takes 1 or 2"};
            result.jobs = *v == "1" ? 1 : 2;
        } else if (arg == "--overwrite") {
            error = flag(result.overwrite);
        } else if (arg == "-q" || arg == "--quiet") {
            error = flag(result.quiet);
        } else if (arg == "--optzoom" || arg == "--crop") {
            const bool optzoom = arg == "--optzoom";
            const auto v = value();
            const bool valid = v && (optzoom ? (*v == "0" || *v == "1" || *v == "2")
                                             : (*v == "keep" || *v == "black"));
            if (!valid)
                return UsageError{arg + (optzoom ? " takes 0 (off), 1 (static) or 2 (adaptive)"
                                                 : " takes keep or black")};
            result.parameters.emplace_back(arg.substr(2), *v);
        } else if (arg == "--tripod") {
            bool tripod = false;
            error = flag(tripod);
            result.parameters.emplace_back("tripod", "1");
        } else if (arg.rfind("--", 0) == 0 && rule_named(arg.substr(2))) {
            const ParameterRule& rule = *rule_named(arg.substr(2));
            const auto v = value();
            if (!v)
                return UsageError{arg + " needs a value"};
            if (auto problem = parameter_error(rule, *v))
                return UsageError{*problem};
            result.parameters.emplace_back(std::string(rule.key), *v);
        } else {
            return UsageError{"unknown option " + arg};
        }
        if (error)
            return *error;
    }
    if (result.sources.empty())
        return UsageError{"--fix needs at least one SOURCE"};
    if (!result.output.empty() && result.sources.size() != 1)
        return UsageError{"--output names the target of exactly one SOURCE"};
    if (!result.output.empty() && !result.output_folder.empty())
        return UsageError{"--output and --output-folder cannot be used together"};
    return result;
}

Parameters with_given(Parameters base, const BatchArguments& arguments)
{
    for (const auto& [key, text] : arguments.parameters) {
        if (const ParameterRule* rule = rule_named(key))
            base.*rule->text = text;
        else if (key == "optzoom")
            base.optzoom = static_cast<AutoZoom>(text[0] - '0');
        else if (key == "crop")
            base.crop = text == "black" ? Borders::black : Borders::keep;
        else if (key == "tripod")
            base.tripod = true;
    }
    return base;
}

std::string default_target(const std::string& source, const std::string& folder)
{
    namespace fs = std::filesystem;
    const fs::path path(source);
    const std::string name = path.stem().string() + "-steady" + path.extension().string();
    const fs::path where = folder.empty() ? path.parent_path() : fs::path(folder);
    return (where / name).string();
}

} // namespace calm
