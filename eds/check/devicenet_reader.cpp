#include "eds/check/devicenet_reader.h"

#include <algorithm>

#include "eds/check/check_text.h"

namespace quillon::check {

const DnSection* DnFile::find(std::string_view name) const
{
    const auto it = byName.find(lowerCopy(name));
    return it == byName.end() ? nullptr : &sections[it->second];
}

const DnEntry* DnFile::findEntry(const DnSection& s, std::string_view keyword) const
{
    for (const DnEntry& e : entriesOf(s)) {
        if (iequals(e.keyword, keyword))
            return &e;
    }
    return nullptr;
}

namespace {

bool isKeywordChar(char c)
{
    return isLetter(c) || isDigit(c) || c == '_';
}

// True when a line starts a new entry: a keyword, blanks and '='. An entry that lacks its ';'
// is recognised by the next entry starting below it.
bool startsEntry(std::string_view t)
{
    if (t.empty() || !isLetter(t.front()))
        return false;
    std::size_t i = 0;
    while (i < t.size() && isKeywordChar(t[i]))
        ++i;
    while (i < t.size() && isBlank(t[i]))
        ++i;
    return i < t.size() && t[i] == '=';
}

class DnReader
{
public:
    DnReader(DnFile& file, Findings& findings) : m_file(file), m_findings(findings) {}

    // False, with one finding, when the file breaks a bound.
    bool read(const Lines& lines)
    {
        for (std::size_t i = 0; i < lines.size() && !m_abort; ++i)
            readLine(trim(lines[i]), static_cast<int>(i + 1));
        if (m_inEntry && !m_abort)
            finishEntry(false, 0);
        return !m_abort;
    }

private:
    void readLine(std::string_view t, int line)
    {
        m_line = line;
        if (m_inEntry && !t.empty() && (t.front() == '[' || startsEntry(t)))
            finishEntry(false, line);
        while (!m_abort) {
            if (m_inEntry) {
                t = scanValues(t);
                if (m_inEntry)
                    return;
            }
            t = trim(t);
            if (t.empty() || t.front() == '$')
                return;
            if (t.front() == '[') {
                startSection(t);
                return;
            }
            const std::size_t eq = t.find('=');
            if (eq == npos) {
                m_findings.add(line, quoted(t) + " is neither a [section], a 'Keyword = value;' "
                                                 "entry nor a '$' comment");
                return;
            }
            startEntry(trim(t.substr(0, eq)));
            t = t.substr(eq + 1);
        }
    }

    void startSection(std::string_view t)
    {
        if (m_file.sections.size() >= MaxCheckedSections) {
            m_findings.add(m_line, tooManySections());
            m_abort = true;
            return;
        }
        const std::size_t close = t.find(']');
        std::string_view name;
        if (close == npos) {
            name = trim(t.substr(1));
            m_findings.add(m_line, "section header " + quoted(t) + " has no closing ']'");
        } else {
            name = trim(t.substr(1, close - 1));
            const std::string_view rest = trim(t.substr(close + 1));
            if (!rest.empty() && rest.front() != '$')
                m_findings.add(m_line, "text after the section header [" + shown(name) + "]");
        }
        if (name.empty())
            m_findings.add(m_line, "section header without a name");
        DnSection s;
        s.name = name;
        s.line = m_line;
        s.firstEntry = m_file.entries.size();
        const auto [it, inserted] = m_file.byName.emplace(lowerCopy(name), m_file.sections.size());
        if (!inserted) {
            s.repeated = true;
            m_findings.add(m_line, "[" + shown(name) +
                                       "] appears again; the first one is on line " +
                                       std::to_string(m_file.sections[it->second].line));
        }
        m_file.sections.push_back(s);
    }

    void startEntry(std::string_view keyword)
    {
        m_inEntry = true;
        m_entry = DnEntry{keyword, m_line, m_file.fields.size(), 0};
        m_separators = 0;
        m_hasField = false;
        if (keyword.empty() || !std::all_of(keyword.begin(), keyword.end(), isKeywordChar))
            m_findings.add(m_line, quoted(keyword) + " is not a keyword (letters, digits, '_')");
        if (m_file.sections.empty())
            m_findings.add(m_line, "entry " + shown(keyword) + " stands before the first section");
    }

    // Reads values up to the entry's ';' (what follows it is returned) or the line end.
    std::string_view scanValues(std::string_view t)
    {
        std::size_t i = 0;
        while (i < t.size() && !m_abort) {
            const char c = t[i];
            if (isBlank(c)) {
                ++i;
            } else if (c == '$') {
                return {};
            } else if (c == ',') {
                finishField();
                ++i;
            } else if (c == ';') {
                finishField();
                finishEntry(true, 0);
                return t.substr(i + 1);
            } else if (c == '"') {
                std::size_t j = i + 1;
                while (j < t.size() && t[j] != '"')
                    j += (t[j] == '\\' && j + 1 < t.size()) ? 2 : 1;
                const bool closed = j < t.size();
                if (!closed)
                    m_findings.add(m_line, "string has no closing '\"'");
                addToField(t.substr(i + 1, std::min(j, t.size()) - i - 1), true);
                i = closed ? j + 1 : t.size();
            } else {
                std::size_t j = i;
                while (j < t.size() && t[j] != ',' && t[j] != ';' && t[j] != '$' && t[j] != '"')
                    ++j;
                addToField(trim(t.substr(i, j - i)), false);
                i = j;
            }
        }
        return {};
    }

    void addToField(std::string_view text, bool isQuoted)
    {
        if (!m_hasField) {
            m_field = DnField{text, m_line, isQuoted};
            m_hasField = true;
        } else if (!(isQuoted && m_field.quoted)) { // adjacent strings join into one
            m_findings.add(m_line, "values " + quoted(m_field.text) + " and " + quoted(text) +
                                       " are not separated by ','");
        }
    }

    void finishField()
    {
        if (m_file.fields.size() + m_file.entries.size() >= MaxCheckedValues) {
            m_findings.add(m_line, "the file has more than " + num(MaxCheckedValues) +
                                       " entries and values; no EDS has that many, so it is not "
                                       "checked further");
            m_abort = true;
            return;
        }
        if (!m_hasField)
            m_field = DnField{{}, m_line, false};
        m_file.fields.push_back(m_field);
        ++m_entry.fieldCount;
        ++m_separators;
        m_hasField = false;
    }

    // `nextLine` is the line that showed a missing ';' (0 for the end of the file).
    void finishEntry(bool terminated, int nextLine)
    {
        if (!terminated) {
            if (m_hasField || m_separators > 0)
                finishField();
            m_findings.add(m_entry.line,
                           "entry " + shown(m_entry.keyword) + " has no closing ';' " +
                               (nextLine > 0 ? "before line " + std::to_string(nextLine)
                                             : std::string("before the end of the "
                                                           "file")));
        }
        m_inEntry = false;
        if (m_file.sections.empty() || m_abort) {
            m_file.fields.resize(m_entry.firstField);
            return;
        }
        m_file.entries.push_back(m_entry);
        ++m_file.sections.back().entryCount;
    }

    DnFile& m_file;
    Findings& m_findings;
    int m_line = 0;
    bool m_abort = false;
    bool m_inEntry = false;
    DnEntry m_entry;
    DnField m_field;
    bool m_hasField = false;
    std::size_t m_separators = 0;
};

} // namespace

bool readDeviceNet(const Lines& lines, DnFile& file, Findings& findings)
{
    return DnReader(file, findings).read(lines);
}

} // namespace quillon::check
