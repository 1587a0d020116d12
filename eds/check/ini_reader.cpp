#include "eds/check/ini_reader.h"

#include <optional>
#include <utility>

#include "eds/check/check_text.h"

namespace quillon::check {

namespace {

bool isCommentOrBlank(std::string_view trimmed)
{
    return trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '$';
}

} // namespace

const IniEntry* IniSection::find(std::string_view key) const
{
    for (const IniEntry& e : entries) {
        if (iequals(e.key, key))
            return &e;
    }
    return nullptr;
}

const IniSection* IniFile::find(std::string_view name) const
{
    const auto it = byName.find(lowerCopy(name));
    return it == byName.end() ? nullptr : &sections[it->second];
}

std::string ref(const IniSection& s)
{
    return "[" + shown(s.name) + "]";
}

bool readIni(const Lines& lines, IniFile& ini, Findings& findings)
{
    std::optional<std::size_t> current;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        const std::string_view text = trim(lines[i]);
        if (isCommentOrBlank(text))
            continue;
        if (text.front() == '[') {
            if (ini.sections.size() >= MaxCheckedSections) {
                findings.add(lineNo, tooManySections());
                return false;
            }
            const std::size_t close = text.find(']');
            std::string_view name;
            if (close == npos) {
                name = trim(text.substr(1));
                findings.add(lineNo, "section header " + quoted(text) + " has no closing ']'");
            } else {
                name = trim(text.substr(1, close - 1));
                const std::string_view rest = trim(text.substr(close + 1));
                if (!isCommentOrBlank(rest))
                    findings.add(lineNo, "text after the section header [" + shown(name) + "]");
            }
            if (name.empty())
                findings.add(lineNo, "section header without a name");
            IniSection section;
            section.name = name;
            section.line = lineNo;
            const auto [it, inserted] = ini.byName.emplace(lowerCopy(name), ini.sections.size());
            if (!inserted) {
                section.repeated = true;
                findings.add(lineNo, "[" + shown(name) +
                                         "] appears again; the first one is on line " +
                                         std::to_string(ini.sections[it->second].line));
            }
            ini.sections.push_back(std::move(section));
            current = ini.sections.size() - 1;
            continue;
        }
        const std::size_t eq = text.find('=');
        if (eq == npos) {
            findings.add(lineNo, quoted(text) + " is neither a [section], a key=value entry nor a "
                                                "comment");
            continue;
        }
        if (!current) {
            findings.add(lineNo, "entry " + quoted(text) + " stands before the first section");
            continue;
        }
        const std::string_view key = trim(text.substr(0, eq));
        if (key.empty()) {
            findings.add(lineNo, "entry " + quoted(text) + " has no key");
            continue;
        }
        ini.sections[*current].entries.push_back({key, trim(text.substr(eq + 1)), lineNo});
    }
    return true;
}

} // namespace quillon::check
