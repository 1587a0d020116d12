#include "params/resource_defaults.h"

#include <optional>

#include "core/item_reader.h"
#include "core/number_text.h"
#include "eds/eds_text.h"

namespace quillon {

namespace {

ResourceDefaults failure(const ItemReader& reader, const std::string& why)
{
    ResourceDefaults result;
    result.ok = false;
    result.error = why + " (line " + std::to_string(reader.lineNumber()) + ")";
    return result;
}

// A number item as the resource files write them; nullopt for an item that does not start like
// a number (a word, or nothing) or does not fit 32 bits.
std::optional<std::int32_t> numberItem(const std::string& item)
{
    const auto first = item.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const char c = item[first];
    if (!(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.' && c != '&')
        return std::nullopt;
    return nearestInt32(convertLeadingNumber(item));
}

} // namespace

ResourceDefaults readResourceDefaults(std::string_view text)
{
    ResourceDefaults result;
    ItemReader reader(text);
    while (auto line = reader.readLine()) {
        if (contains(*line, "[END_DEVNET_PART]"))
            break;
        if (!contains(*line, "--Help string --"))
            continue;

        ResourceParameter parameter;
        if (!reader.readLine())
            return failure(reader, "the file ends inside a parameter");
        std::optional<std::string> items[3];
        for (auto& item : items) {
            item = reader.readText();
            if (!item)
                return failure(reader, "the file ends before the parameter's default value");
        }
        const auto defaultNumber = numberItem(*items[2]);
        if (!defaultNumber)
            return failure(reader, "the default value \"" + *items[2] + "\" is not a number");
        parameter.defaultNumber = *defaultNumber;

        bool decimalPlaces = false;
        while (auto next = reader.readLine()) {
            if (contains(*next, "$ decimal places")) {
                decimalPlaces = true;
                break;
            }
        }
        // The line after "$ decimal places" is skipped and the next one may start a choice list;
        // neither is taken for the end of the part, which only stands between blocks.
        std::optional<std::string> enumLine;
        if (decimalPlaces && reader.readLine())
            enumLine = reader.readLine();

        if (enumLine && contains(*enumLine, "Enum")) {
            parameter.hasChoices = true;
            for (;;) {
                const auto value = reader.readText();
                const auto choiceText = value ? reader.readText() : std::nullopt;
                const auto separator = choiceText ? reader.readText() : std::nullopt;
                if (!separator)
                    return failure(reader, "the choice list ends without \";\"");
                const auto number = numberItem(*value);
                if (!number || *number < INT16_MIN || *number > INT16_MAX)
                    return failure(reader,
                                   "the choice value \"" + *value + "\" is not a 16-bit number");
                if (static_cast<int>(parameter.choices.size()) == MaxChoices)
                    return failure(reader, "a choice list holds more than " +
                                               std::to_string(MaxChoices) + " choices");
                parameter.choices.push_back({*number, *choiceText});
                if (*separator == ";")
                    break;
            }
        }
        result.parameters.push_back(std::move(parameter));
    }
    return result;
}

} // namespace quillon
