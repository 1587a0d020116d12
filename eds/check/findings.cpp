#include "eds/check/findings.h"

#include "core/item_reader.h"

namespace quillon::check {

bool splitBounded(std::string_view bytes, Lines& lines, Findings& findings)
{
    ItemReader reader(bytes);
    while (const auto line = reader.readLineView()) {
        const int lineNo = static_cast<int>(lines.size() + 1);
        if (lines.size() >= MaxCheckedLines) {
            findings.add(lineNo, "the file has more than " + num(MaxCheckedLines) +
                                     " lines; no EDS is that long, so it is not checked");
            return false;
        }
        if (line->size() > MaxCheckedLineBytes) {
            findings.add(lineNo, "line is longer than " + num(MaxCheckedLineBytes) +
                                     " bytes; no EDS has such lines, so the file is not checked");
            return false;
        }
        lines.push_back(*line);
    }
    return true;
}

std::string tooManySections()
{
    return "the file has more than " + num(MaxCheckedSections) +
           " sections; no EDS has that many, so it is not checked further";
}

} // namespace quillon::check
