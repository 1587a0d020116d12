#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

constexpr int MaxChoices = 81;

struct ParameterChoice
{
    std::int32_t value = 0; // a 16-bit number
    std::string text;
};

// The default and the choice list of one parameter block of a module's resource file.
struct ResourceParameter
{
    std::int32_t defaultNumber = 0;
    bool hasChoices = false;
    std::vector<ParameterChoice> choices;
};

struct ResourceDefaults
{
    bool ok = true;
    std::vector<ResourceParameter> parameters;
    std::string error; // why the file cannot be used, naming the line
};

// Reads the parameter blocks of the DeviceNet part of a resource file (up to the line holding
// "[END_DEVNET_PART]"). A block starts at a line holding "--Help string --"; the line after it is
// skipped and three comma-separated items follow: minimum, maximum and default, of which only the
// default is used. After the line holding "$ decimal places" and one more line, a line holding
// "Enum" starts a choice list: triples of value, quoted text and separator, ended by the triple
// whose separator is ";". The end-of-part line is looked for only between blocks, not among the
// two lines read after "$ decimal places". Fails, naming the line, on a default or choice
// value that is no number (or no 16-bit number for a choice), a list of more than 81 choices, or a
// file that ends inside a block's numbers or a choice list.
[[nodiscard]] ResourceDefaults readResourceDefaults(std::string_view text);

} // namespace quillon
