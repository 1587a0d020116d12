#include "eds/eds_text.h"

#include <algorithm>

#include "core/number_text.h"
#include "core/startup.h"

namespace quillon {

std::string overwriteAt(std::string line, std::size_t position1Based, std::string_view text)
{
    overwriteInPlace(line, position1Based, text);
    return line;
}

void overwriteInPlace(std::string& line, std::size_t position1Based, std::string_view text)
{
    if (position1Based == 0 || position1Based > line.size())
        return;
    const std::size_t start = position1Based - 1;
    const std::size_t count = std::min(text.size(), line.size() - start);
    line.replace(start, count, text.substr(0, count));
}

std::size_t positionOf(std::string_view line, std::string_view text)
{
    const auto found = line.find(text);
    return found == std::string_view::npos ? 0 : found + 1;
}

std::string twoDigits(int value)
{
    std::string digits = std::to_string(value);
    if (value >= 0 && digits.size() < 2)
        digits.insert(0, 1, '0');
    return digits;
}

std::string upperHex(unsigned value)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string hex;
    do {
        hex.insert(hex.begin(), Digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return hex;
}

long long announcedCount(std::string_view supportedObjectsLine)
{
    // Without an "=" the whole line is read, as the list has always been read.
    const auto equals = supportedObjectsLine.find('=');
    const auto number = equals == std::string_view::npos ? supportedObjectsLine
                                                         : supportedObjectsLine.substr(equals + 1);
    const double value = roundHalfEven(leadingDecimalNumber(number));
    // Far outside any list's capacity either way; keep the conversion defined.
    if (!(value > -1e15 && value < 1e15))
        return value > 0 ? 1000000000000000LL : -1000000000000000LL;
    return static_cast<long long>(value);
}

std::string productNameLine(std::string_view line, std::size_t position1Based,
                            const ClusterTable& slots, int usedCount)
{
    std::string rebuilt(line.substr(0, position1Based > 0 ? position1Based - 1 : 0));
    rebuilt += "ProdName = \"K310-HB612";
    for (int k = 1; k < usedCount && k < ClusterSize; ++k) {
        rebuilt += '+';
        rebuilt += modelNameOf(slots[static_cast<std::size_t>(k)].ResourceFile);
    }
    rebuilt += "\";";
    return rebuilt;
}

std::string generatedByText()
{
    return std::string(ProgramName) + ", Version: " + ProgramVersion + ", Build: " + ProgramBuild;
}

} // namespace quillon
