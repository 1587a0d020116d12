#include "eds/eds_check.h"

#include <algorithm>
#include <bitset>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <numeric>
#include <optional>
#include <span>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace quillon {

namespace {

using Lines = std::vector<std::string_view>;
constexpr std::size_t npos = std::string_view::npos;

// ------------------------------------------------------------------------------------------------
// Text helpers. Both formats compare section names and keywords without regard to case.

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool iequals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

bool iless(std::string_view a, std::string_view b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(lowerAscii(x)) <
               static_cast<unsigned char>(lowerAscii(y));
    });
}

bool istartsWith(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

std::size_t ifind(std::string_view hay, std::string_view needle)
{
    for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
        if (iequals(hay.substr(i, needle.size()), needle))
            return i;
    }
    return npos;
}

std::string lowerCopy(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = lowerAscii(c);
    return r;
}

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), isDigit);
}

// File text as it may appear in a message: at most 40 characters, control characters as '?', so
// that a hostile file cannot flood or garble the report.
std::string shown(std::string_view s)
{
    constexpr std::size_t MaxShown = 40;
    std::string r;
    for (std::size_t i = 0; i < s.size() && i < MaxShown; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        r += (c < 0x20 || c == 0x7f) ? '?' : s[i];
    }
    if (s.size() > MaxShown)
        r += "...";
    return r;
}

std::string quoted(std::string_view s)
{
    return "'" + shown(s) + "'";
}

std::string hexNumber(unsigned value, int digits)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string r = "0x";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        r += Digits[(value >> shift) & 0xFu];
    return r;
}

std::string num(std::uint64_t v)
{
    return std::to_string(v);
}

// ------------------------------------------------------------------------------------------------
// Findings, capped so that a file with a fault on every line still gives a report of bounded size.

class Findings
{
public:
    explicit Findings(std::vector<CheckFinding>& out) : m_out(out) {}

    void add(int line, std::string message)
    {
        if (m_out.size() >= MaxReportedFindings) {
            m_overflow = true;
            return;
        }
        m_out.push_back({line, std::move(message)});
    }

    [[nodiscard]] bool overflowed() const { return m_overflow; }

private:
    std::vector<CheckFinding>& m_out;
    bool m_overflow = false;
};

// Splits the text at CR LF, lone CR or lone LF. False, with one finding, when the text breaks the
// line bounds.
bool splitBounded(std::string_view bytes, Lines& lines, Findings& findings)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const int lineNo = static_cast<int>(lines.size() + 1);
        if (lines.size() >= MaxCheckedLines) {
            findings.add(lineNo, "the file has more than " + num(MaxCheckedLines) +
                                     " lines; no EDS is that long, so it is not checked");
            return false;
        }
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == npos)
            end = bytes.size();
        if (end - pos > MaxCheckedLineBytes) {
            findings.add(lineNo, "line is longer than " + num(MaxCheckedLineBytes) +
                                     " bytes; no EDS has such lines, so the file is not checked");
            return false;
        }
        lines.push_back(bytes.substr(pos, end - pos));
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
        pos = end + 1;
    }
    return true;
}

std::string tooManySections()
{
    return "the file has more than " + num(MaxCheckedSections) +
           " sections; no EDS has that many, so it is not checked further";
}

// ------------------------------------------------------------------------------------------------
// Numbers and typed values, shared by both formats.

struct IntText
{
    bool negative = false;
    std::uint64_t magnitude = 0;
    bool radix = false; // written in hexadecimal or octal, that is, as a bit pattern
};

// A whole number: optional sign, then "0x" and hexadecimal digits, or (when `octal`) a leading 0
// and octal digits, or decimal digits. CANopen reads a leading 0 as octal; DeviceNet does not.
std::optional<IntText> parseInteger(std::string_view s, bool octal)
{
    s = trim(s);
    IntText r;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        r.negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
        r.radix = true;
    } else if (octal && s.size() > 1 && s[0] == '0') {
        base = 8;
        s.remove_prefix(1);
        r.radix = true;
    }
    if (s.empty())
        return std::nullopt;
    const char* end = s.data() + s.size();
    const auto [p, ec] = std::from_chars(s.data(), end, r.magnitude, base);
    if (ec != std::errc() || p != end)
        return std::nullopt;
    if (r.magnitude == 0)
        r.negative = false;
    return r;
}

// A non-negative whole number no larger than `maxValue`.
std::optional<std::uint64_t> parseUnsigned(std::string_view s, bool octal, std::uint64_t maxValue)
{
    const auto v = parseInteger(s, octal);
    if (!v || v->negative || v->magnitude > maxValue)
        return std::nullopt;
    return v->magnitude;
}

enum class Kind
{
    Boolean,
    Signed,
    Unsigned,
    Real,
    Text,
    Domain,
    Time,
    Structure,
};

struct ValueType
{
    const char* name;
    Kind kind;
    int bits; // 0 when the size is not fixed
};

bool isNumeric(Kind k)
{
    return k == Kind::Boolean || k == Kind::Signed || k == Kind::Unsigned || k == Kind::Real;
}

struct Value
{
    bool real = false;
    double number = 0;
    bool negative = false;
    std::uint64_t magnitude = 0;
};

// Reads text as a value of a numeric type. Integers in hexadecimal or octal are bit patterns of
// the type's width (0xFF is -1 for an 8-bit signed type); decimal integers must lie in its range.
std::optional<Value> parseValue(std::string_view text, const ValueType& type, bool octal,
                                std::string& why)
{
    Value v;
    if (type.kind == Kind::Real) {
        v.real = true;
        if (const auto bits = parseInteger(text, false); bits && bits->radix && !bits->negative) {
            if (type.bits == 32) {
                if (bits->magnitude > 0xFFFFFFFFu) {
                    why = "more than 32 bits";
                    return std::nullopt;
                }
                const auto pattern = static_cast<std::uint32_t>(bits->magnitude);
                float f = 0;
                std::memcpy(&f, &pattern, sizeof f);
                v.number = f;
            } else {
                std::memcpy(&v.number, &bits->magnitude, sizeof v.number);
            }
            return v;
        }
        std::string_view t = trim(text);
        if (!t.empty() && t.front() == '+')
            t.remove_prefix(1);
        const char* end = t.data() + t.size();
        const auto [p, ec] = std::from_chars(t.data(), end, v.number);
        if (t.empty() || ec != std::errc() || p != end) {
            why = "not a number";
            return std::nullopt;
        }
        if (type.bits == 32 && std::isfinite(v.number) && std::fabs(v.number) > FLT_MAX) {
            why = "out of range";
            return std::nullopt;
        }
        return v;
    }
    const auto i = parseInteger(text, octal);
    if (!i) {
        why = "not a whole number";
        return std::nullopt;
    }
    v.negative = i->negative;
    v.magnitude = i->magnitude;
    const int n = type.bits;
    switch (type.kind) {
    case Kind::Boolean:
        if (v.negative || v.magnitude > 1) {
            why = "not 0 or 1";
            return std::nullopt;
        }
        return v;
    case Kind::Unsigned:
        if (v.negative || (n < 64 && (v.magnitude >> n) != 0)) {
            why = "out of range";
            return std::nullopt;
        }
        return v;
    case Kind::Signed:
        if (i->radix && !i->negative) {
            if (n < 64 && (v.magnitude >> n) != 0) {
                why = "more than " + std::to_string(n) + " bits";
                return std::nullopt;
            }
            if (((v.magnitude >> (n - 1)) & 1u) != 0) {
                v.negative = true;
                v.magnitude = n == 64 ? ~v.magnitude + 1 : (std::uint64_t{1} << n) - v.magnitude;
            }
            return v;
        }
        if (v.negative ? v.magnitude > (std::uint64_t{1} << (n - 1))
                       : v.magnitude >= (std::uint64_t{1} << (n - 1))) {
            why = "out of range";
            return std::nullopt;
        }
        return v;
    default:
        return v;
    }
}

double asDouble(const Value& v)
{
    if (v.real)
        return v.number;
    const auto d = static_cast<double>(v.magnitude);
    return v.negative ? -d : d;
}

// -1, 0 or 1; nullopt when one of them is not a number at all (a NaN bit pattern).
std::optional<int> compareValues(const Value& a, const Value& b)
{
    if (a.real || b.real) {
        const double x = asDouble(a);
        const double y = asDouble(b);
        if (std::isnan(x) || std::isnan(y))
            return std::nullopt;
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.negative != b.negative)
        return a.negative ? -1 : 1;
    if (a.magnitude == b.magnitude)
        return 0;
    const bool less = (a.magnitude < b.magnitude) != a.negative;
    return less ? -1 : 1;
}

// A number with at most `digits` digits from `low` to `high`.
bool fieldInRange(std::string_view s, std::size_t minDigits, std::size_t maxDigits, unsigned low,
                  unsigned high)
{
    if (s.size() < minDigits || s.size() > maxDigits || !allDigits(s))
        return false;
    unsigned v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v >= low && v <= high;
}

// "mm-dd-yyyy", as both formats write their file dates.
bool isDate(std::string_view s)
{
    return s.size() == 10 && s[2] == '-' && s[5] == '-' &&
           fieldInRange(s.substr(0, 2), 2, 2, 1, 12) && fieldInRange(s.substr(3, 2), 2, 2, 1, 31) &&
           fieldInRange(s.substr(6, 4), 4, 4, 0, 9999);
}

// ------------------------------------------------------------------------------------------------
// CANopen: the key=value file of sections.

struct IniEntry
{
    std::string_view key;
    std::string_view value;
    int line = 0;
};

struct IniSection
{
    std::string_view name;
    int line = 0;
    bool repeated = false; // a second section of a name already seen; its keys are not used
    std::vector<IniEntry> entries;

    [[nodiscard]] const IniEntry* find(std::string_view key) const
    {
        for (const IniEntry& e : entries) {
            if (iequals(e.key, key))
                return &e;
        }
        return nullptr;
    }
};

struct IniFile
{
    std::vector<IniSection> sections;
    std::unordered_map<std::string, std::size_t> byName; // lower-case name -> first section

    [[nodiscard]] const IniSection* find(std::string_view name) const
    {
        const auto it = byName.find(lowerCopy(name));
        return it == byName.end() ? nullptr : &sections[it->second];
    }
};

std::string ref(const IniSection& s)
{
    return "[" + shown(s.name) + "]";
}

bool isCommentOrBlank(std::string_view trimmed)
{
    return trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '$';
}

// Reads sections and their entries. False, with a finding, only when the section bound is met.
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

template <typename Entry, typename KeyOf, typename Report>
void reportRepeats(std::span<const Entry> entries, KeyOf keyOf, Report report)
{
    if (entries.size() < 2)
        return;
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return iless(keyOf(entries[a]), keyOf(entries[b]));
    });
    std::size_t first = order[0];
    for (std::size_t k = 1; k < order.size(); ++k) {
        if (iequals(keyOf(entries[order[k]]), keyOf(entries[first])))
            report(entries[order[k]], entries[first]);
        else
            first = order[k];
    }
}

void reportRepeatedKeys(const IniSection& s, Findings& findings)
{
    reportRepeats(
        std::span<const IniEntry>(s.entries), [](const IniEntry& e) { return e.key; },
        [&](const IniEntry& again, const IniEntry& first) {
            findings.add(again.line, ref(s) + ": " + shown(again.key) +
                                         " appears again; the first is on line " +
                                         std::to_string(first.line));
        });
}

struct CoType
{
    unsigned code;
    ValueType type;
};

constexpr CoType CoTypes[] = {
    {0x0001, {"BOOLEAN", Kind::Boolean, 1}},       {0x0002, {"INTEGER8", Kind::Signed, 8}},
    {0x0003, {"INTEGER16", Kind::Signed, 16}},     {0x0004, {"INTEGER32", Kind::Signed, 32}},
    {0x0005, {"UNSIGNED8", Kind::Unsigned, 8}},    {0x0006, {"UNSIGNED16", Kind::Unsigned, 16}},
    {0x0007, {"UNSIGNED32", Kind::Unsigned, 32}},  {0x0008, {"REAL32", Kind::Real, 32}},
    {0x0009, {"VISIBLE_STRING", Kind::Text, 0}},   {0x000A, {"OCTET_STRING", Kind::Text, 0}},
    {0x000B, {"UNICODE_STRING", Kind::Text, 0}},   {0x000C, {"TIME_OF_DAY", Kind::Time, 48}},
    {0x000D, {"TIME_DIFFERENCE", Kind::Time, 48}}, {0x000F, {"DOMAIN", Kind::Domain, 0}},
    {0x0010, {"INTEGER24", Kind::Signed, 24}},     {0x0011, {"REAL64", Kind::Real, 64}},
    {0x0012, {"INTEGER40", Kind::Signed, 40}},     {0x0013, {"INTEGER48", Kind::Signed, 48}},
    {0x0014, {"INTEGER56", Kind::Signed, 56}},     {0x0015, {"INTEGER64", Kind::Signed, 64}},
    {0x0016, {"UNSIGNED24", Kind::Unsigned, 24}},  {0x0018, {"UNSIGNED40", Kind::Unsigned, 40}},
    {0x0019, {"UNSIGNED48", Kind::Unsigned, 48}},  {0x001A, {"UNSIGNED56", Kind::Unsigned, 56}},
    {0x001B, {"UNSIGNED64", Kind::Unsigned, 64}},
};

// The standard data types, plus the structure and profile-defined type indices 0x0020..0x025F,
// whose values this checker does not interpret.
std::optional<ValueType> canOpenType(std::uint64_t code)
{
    for (const CoType& t : CoTypes) {
        if (t.code == code)
            return t.type;
    }
    if (code >= 0x0020 && code <= 0x025F)
        return ValueType{"defined type", Kind::Structure, 0};
    return std::nullopt;
}

struct CoObject
{
    const IniSection* section = nullptr;
    std::map<unsigned, const IniSection*> subs;
    bool compact = false; // sub-entries implied by CompactSubObj
};

using ObjectMap = std::map<unsigned, CoObject>;

// Indices 0x0024..0x025F hold the types that a device profile or the manufacturer defines, so a
// file that uses one must define it itself; the types and structures below them are standard.
bool needsDefinition(std::uint64_t code)
{
    return code >= 0x0024 && code <= 0x025F;
}

constexpr unsigned Domain = 0x2, DefType = 0x5, DefStruct = 0x6, Var = 0x7, Array = 0x8,
                   Record = 0x9;

bool definesType(const IniSection& s)
{
    const IniEntry* e = s.find("ObjectType");
    const auto type = e ? parseUnsigned(e->value, true, 0xFF) : std::nullopt;
    return type && (*type == DefType || *type == DefStruct);
}

// The section's data type, or nullopt when it has none or names none.
std::optional<ValueType> readDataType(const IniSection& s)
{
    const IniEntry* e = s.find("DataType");
    const auto code = e ? parseUnsigned(e->value, true, 0xFFFF) : std::nullopt;
    return code ? canOpenType(*code) : std::nullopt;
}

// The same, with a finding when the DataType names neither a standard type nor a type that the
// file defines at that index.
std::optional<ValueType> checkDataType(const IniSection& s, const ObjectMap& objects,
                                       Findings& findings)
{
    const IniEntry* e = s.find("DataType");
    if (!e)
        return std::nullopt;
    const auto code = parseUnsigned(e->value, true, 0xFFFF);
    const auto type = code ? canOpenType(*code) : std::nullopt;
    if (!type) {
        findings.add(e->line,
                     ref(s) + ": DataType " + quoted(e->value) + " is not a CANopen data type");
        return type;
    }
    if (needsDefinition(*code)) {
        const unsigned index = static_cast<unsigned>(*code);
        const std::string start =
            ref(s) + ": DataType " + quoted(e->value) + " is no standard data type, and ";
        const auto definition = objects.find(index);
        if (definition == objects.end())
            findings.add(e->line, start +
                                      "the file defines no type at that index (no DEFTYPE or "
                                      "DEFSTRUCT object [" +
                                      hexNumber(index, 4).substr(2) + "])");
        else if (!definesType(*definition->second.section))
            findings.add(e->line, start + ref(*definition->second.section) +
                                      " is not a DEFTYPE or DEFSTRUCT object");
    }
    return type;
}

std::optional<unsigned> readObjectType(const IniSection& s, Findings& findings)
{
    const IniEntry* e = s.find("ObjectType");
    if (!e)
        return Var; // the default when the key is left out
    const auto t = parseUnsigned(e->value, true, 0xFF);
    if (t && (*t == Domain || *t == DefType || *t == DefStruct || *t == Var || *t == Array ||
              *t == Record))
        return static_cast<unsigned>(*t);
    findings.add(e->line, ref(s) + ": ObjectType " + quoted(e->value) +
                              " is not 0x2 (DOMAIN), 0x5 (DEFTYPE), 0x6 (DEFSTRUCT), 0x7 (VAR), "
                              "0x8 (ARRAY) or 0x9 (RECORD)");
    return std::nullopt;
}

bool isAccessType(std::string_view v)
{
    for (const char* a : {"ro", "wo", "rw", "rwr", "rww", "const"}) {
        if (iequals(v, a))
            return true;
    }
    return false;
}

void checkAccessType(const IniSection& s, Findings& findings)
{
    const IniEntry* e = s.find("AccessType");
    if (e && !isAccessType(e->value))
        findings.add(e->line, ref(s) + ": AccessType " + quoted(e->value) +
                                  " is not ro, wo, rw, rwr, rww or const");
}

void checkFlag(const IniSection& s, std::string_view key, Findings& findings)
{
    const IniEntry* e = s.find(key);
    if (e && !parseUnsigned(e->value, false, 1))
        findings.add(e->line,
                     ref(s) + ": " + std::string(key) + " must be 0 or 1, not " + quoted(e->value));
}

void requireKey(const IniSection& s, std::string_view key, Findings& findings)
{
    const IniEntry* e = s.find(key);
    if (!e)
        findings.add(s.line, ref(s) + " has no " + std::string(key));
    else if (e->value.empty())
        findings.add(e->line, ref(s) + ": " + std::string(key) + " is empty");
}

// Takes "$NODEID" and the '+' joining it to the constant out of a value; true when it was there.
bool stripNodeId(std::string_view text, std::string& constant)
{
    const std::size_t p = ifind(text, "$NODEID");
    if (p == npos) {
        constant = text;
        return false;
    }
    std::string_view before = trim(text.substr(0, p));
    std::string_view after = trim(text.substr(p + 7));
    if (!before.empty() && before.back() == '+')
        before = trim(before.substr(0, before.size() - 1));
    else if (!after.empty() && after.front() == '+')
        after = trim(after.substr(1));
    constant = std::string(before) + std::string(after);
    if (constant.empty())
        constant = "0";
    return true;
}

struct TypedEntry
{
    const IniEntry* entry = nullptr;
    std::optional<Value> value;
    bool nodeRelative = false; // depends on the node-ID, so it is not compared with limits
};

// An empty value counts as not given, as CANopen tools read it.
TypedEntry readTyped(const IniSection& s, std::string_view key, const ValueType& type,
                     Findings& findings)
{
    TypedEntry r;
    r.entry = s.find(key);
    if (!r.entry || r.entry->value.empty())
        return r;
    std::string constant;
    r.nodeRelative = stripNodeId(r.entry->value, constant);
    std::string why;
    r.value = parseValue(constant, type, true, why);
    if (!r.value)
        findings.add(r.entry->line, ref(s) + ": " + std::string(key) + " " +
                                        quoted(r.entry->value) + " is not a valid " + type.name +
                                        " (" + why + ")");
    return r;
}

void checkValues(const IniSection& s, const ValueType& type, Findings& findings)
{
    const TypedEntry def = readTyped(s, "DefaultValue", type, findings);
    const TypedEntry low = readTyped(s, "LowLimit", type, findings);
    const TypedEntry high = readTyped(s, "HighLimit", type, findings);
    const bool lowUsable = low.value && !low.nodeRelative;
    const bool highUsable = high.value && !high.nodeRelative;
    if (lowUsable && highUsable && compareValues(*low.value, *high.value) == 1) {
        findings.add(high.entry->line, ref(s) + ": LowLimit " + shown(low.entry->value) +
                                           " is above HighLimit " + shown(high.entry->value));
        return;
    }
    if (!def.value || def.nodeRelative)
        return;
    if (lowUsable && compareValues(*def.value, *low.value) == -1)
        findings.add(def.entry->line, ref(s) + ": DefaultValue " + shown(def.entry->value) +
                                          " is below LowLimit " + shown(low.entry->value));
    if (highUsable && compareValues(*def.value, *high.value) == 1)
        findings.add(def.entry->line, ref(s) + ": DefaultValue " + shown(def.entry->value) +
                                          " is above HighLimit " + shown(high.entry->value));
}

// The keys of a variable: an object of type VAR or DEFTYPE, a sub-entry, or a compact array.
void checkVariable(const IniSection& s, const ObjectMap& objects, Findings& findings)
{
    std::optional<ValueType> type;
    if (!s.find("DataType"))
        findings.add(s.line, ref(s) + " has no DataType");
    else
        type = checkDataType(s, objects, findings);
    if (!s.find("AccessType"))
        findings.add(s.line, ref(s) + " has no AccessType");
    checkAccessType(s, findings);
    checkFlag(s, "PDOMapping", findings);
    if (type && isNumeric(type->kind))
        checkValues(s, *type, findings);
}

struct ObjectName
{
    unsigned index = 0;
    bool isSub = false;
    std::optional<unsigned> sub; // empty for a sub-entry name whose sub-index is no hex byte
};

// "1A00" names an object, "1a00sub1" one of its sub-entries; other names are no objects.
std::optional<ObjectName> objectNameOf(std::string_view name)
{
    if (name.size() < 4 || !std::all_of(name.begin(), name.begin() + 4, isHexDigit))
        return std::nullopt;
    ObjectName r;
    std::from_chars(name.data(), name.data() + 4, r.index, 16);
    if (name.size() == 4)
        return r;
    std::string_view rest = name.substr(4);
    if (!istartsWith(rest, "sub"))
        return std::nullopt;
    rest.remove_prefix(3);
    r.isSub = true;
    unsigned sub = 0;
    const auto [p, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), sub, 16);
    if (!rest.empty() && ec == std::errc() && p == rest.data() + rest.size() && sub <= 0xFF &&
        std::all_of(rest.begin(), rest.end(), isHexDigit))
        r.sub = sub;
    return r;
}

std::string subName(unsigned index, unsigned sub)
{
    return hexNumber(index, 4) + "sub" + hexNumber(sub, 2).substr(2);
}

ObjectMap collectObjects(const IniFile& ini, Findings& findings)
{
    ObjectMap objects;
    for (const IniSection& s : ini.sections) {
        if (s.repeated)
            continue;
        const auto name = objectNameOf(s.name);
        if (name && !name->isSub)
            objects[name->index].section = &s;
    }
    for (const IniSection& s : ini.sections) {
        if (s.repeated)
            continue;
        const auto name = objectNameOf(s.name);
        if (!name || !name->isSub)
            continue;
        if (!name->sub) {
            findings.add(s.line, ref(s) + ": the sub-index is not a hexadecimal number from 0 "
                                          "to FF");
            continue;
        }
        const auto it = objects.find(name->index);
        if (it == objects.end()) {
            findings.add(s.line, ref(s) + " is a sub-entry of " + hexNumber(name->index, 4) +
                                     ", which has no object section");
            continue;
        }
        const auto [sub, inserted] = it->second.subs.emplace(*name->sub, &s);
        if (!inserted)
            findings.add(s.line, ref(s) + " repeats sub-index " + num(*name->sub) + " of " +
                                     ref(*sub->second) + " on line " +
                                     std::to_string(sub->second->line));
    }
    return objects;
}

void checkSubEntries(const CoObject& obj, const ObjectMap& objects, Findings& findings)
{
    for (const auto& [sub, section] : obj.subs) {
        const IniSection& s = *section;
        requireKey(s, "ParameterName", findings);
        if (const IniEntry* t = s.find("ObjectType")) {
            const auto type = parseUnsigned(t->value, true, 0xFF);
            if (!type || *type != Var)
                findings.add(t->line, ref(s) + ": a sub-entry has ObjectType 0x7 (VAR), not " +
                                          quoted(t->value));
        }
        checkVariable(s, objects, findings);
        if (sub == 0) {
            const auto type = readDataType(s);
            if (type && std::string_view(type->name) != "UNSIGNED8")
                findings.add(s.find("DataType")->line,
                             ref(s) + ": sub-index 0 holds the number of entries and must be "
                                      "UNSIGNED8 (0x0005)");
        }
    }
}

void reportSubsOfVariable(const CoObject& obj, const char* what, Findings& findings)
{
    for (const auto& [sub, section] : obj.subs)
        findings.add(section->line, ref(*section) + " belongs to " + ref(*obj.section) +
                                        ", which is a " + what + " and has no sub-entries");
}

void checkComplex(CoObject& obj, const ObjectMap& objects, Findings& findings)
{
    const IniSection& s = *obj.section;
    if (const IniEntry* compact = s.find("CompactSubObj")) {
        const auto n = parseUnsigned(compact->value, true, 0xFE);
        if (!n) {
            findings.add(compact->line, ref(s) + ": CompactSubObj " + quoted(compact->value) +
                                            " is not a number from 0 to 254");
        } else if (*n > 0) {
            // The sub-entries are implied; the object itself describes them.
            obj.compact = true;
            checkVariable(s, objects, findings);
            checkSubEntries(obj, objects, findings);
            return;
        }
    }
    if (const IniEntry* e = s.find("SubNumber"); !e) {
        findings.add(s.line, ref(s) + " has no SubNumber");
    } else if (const auto n = parseUnsigned(e->value, true, 0xFF); !n) {
        findings.add(e->line,
                     ref(s) + ": SubNumber " + quoted(e->value) + " is not a number from 0 to 255");
    } else if (*n != obj.subs.size()) {
        findings.add(e->line, ref(s) + ": SubNumber=" + num(*n) + " but the file has " +
                                  num(obj.subs.size()) + " sub-entries of it");
    }
    if (!obj.subs.empty() && obj.subs.count(0) == 0)
        findings.add(s.line, ref(s) + " has sub-entries but no sub-index 0");
    checkSubEntries(obj, objects, findings);
}

void checkObject(CoObject& obj, const ObjectMap& objects, Findings& findings)
{
    const IniSection& s = *obj.section;
    requireKey(s, "ParameterName", findings);
    const auto type = readObjectType(s, findings);
    if (!type)
        return;
    switch (*type) {
    case Var:
    case DefType:
        checkVariable(s, objects, findings);
        reportSubsOfVariable(obj, *type == Var ? "VAR" : "DEFTYPE", findings);
        break;
    case Domain:
        checkDataType(s, objects, findings);
        checkAccessType(s, findings);
        reportSubsOfVariable(obj, "DOMAIN", findings);
        break;
    default:
        checkComplex(obj, objects, findings);
        break;
    }
}

enum class ListKind
{
    Mandatory,
    Optional,
    Manufacturer,
};

struct Listing
{
    int line = 0;
    ListKind list = ListKind::Optional;
};

bool isManufacturerIndex(unsigned index)
{
    return index >= 0x2000 && index <= 0x5FFF;
}

void reportMissingEntries(const IniSection& s, const IniEntry& count, const std::vector<int>& seen,
                          Findings& findings)
{
    const std::size_t n = seen.size() - 1;
    for (std::size_t k = 1; k <= n; ++k) {
        if (seen[k] != 0)
            continue;
        std::size_t last = k;
        while (last < n && seen[last + 1] == 0)
            ++last;
        findings.add(count.line,
                     ref(s) + ": SupportedObjects=" + num(n) + " but " +
                         (last == k ? "entry " + num(k) + " is missing"
                                    : "entries " + num(k) + " to " + num(last) + " are missing"));
        k = last;
    }
}

void checkObjectList(const IniSection& s, ListKind kind, const ObjectMap& objects,
                     std::map<unsigned, Listing>& listed, Findings& findings)
{
    const IniEntry* count = s.find("SupportedObjects");
    std::optional<std::uint64_t> n;
    if (!count) {
        findings.add(s.line, ref(s) + " has no SupportedObjects");
    } else {
        n = parseUnsigned(count->value, true, 0x10000);
        if (!n)
            findings.add(count->line, ref(s) + ": SupportedObjects " + quoted(count->value) +
                                          " is not a number of objects");
    }
    std::vector<int> seen(n ? *n + 1 : 0, 0); // line of entry k, 0 while not met
    for (const IniEntry& e : s.entries) {
        if (&e == count)
            continue;
        if (!allDigits(e.key) || e.key.size() > 6) {
            findings.add(e.line, ref(s) + ": " + quoted(e.key) + " is not an entry number");
            continue;
        }
        const auto k = *parseUnsigned(e.key, false, 999999);
        if (n && (k < 1 || k > *n)) {
            findings.add(e.line,
                         ref(s) + ": entry " + num(k) + " lies beyond SupportedObjects=" + num(*n));
        } else if (n) {
            if (seen[k] != 0)
                findings.add(e.line, ref(s) + ": entry " + num(k) +
                                         " appears again; the first is on line " +
                                         std::to_string(seen[k]));
            seen[k] = e.line;
        }
        const auto index = parseUnsigned(e.value, true, 0xFFFF);
        if (!index) {
            findings.add(e.line, ref(s) + ": entry " + shown(e.key) + " " + quoted(e.value) +
                                     " is not an object index");
            continue;
        }
        const unsigned idx = static_cast<unsigned>(*index);
        const std::string name = hexNumber(idx, 4);
        if (kind == ListKind::Manufacturer && !isManufacturerIndex(idx))
            findings.add(e.line, ref(s) + " lists " + name +
                                     ", which is not a manufacturer object (0x2000 to 0x5FFF)");
        if (kind != ListKind::Manufacturer && isManufacturerIndex(idx))
            findings.add(e.line, ref(s) + " lists " + name +
                                     ", a manufacturer object that belongs in "
                                     "[ManufacturerObjects]");
        const auto obj = objects.find(idx);
        if (obj == objects.end())
            findings.add(e.line, ref(s) + " lists " + name + ", which has no section [" +
                                     name.substr(2) + "]");
        const auto [it, inserted] = listed.emplace(idx, Listing{e.line, kind});
        if (!inserted)
            findings.add(e.line, name + " is listed again; the first listing is on line " +
                                     std::to_string(it->second.line));
    }
    if (count && n && seen.size() > 1)
        reportMissingEntries(s, *count, seen, findings);
}

void checkTime12(const IniSection& s, std::string_view key, Findings& findings)
{
    const IniEntry* e = s.find(key);
    if (!e)
        return;
    // "hh:mm" on the 12-hour clock followed by AM or PM.
    std::string_view v = e->value;
    bool ok = v.size() >= 6;
    if (ok) {
        const std::string_view suffix = v.substr(v.size() - 2);
        std::string_view clock = trim(v.substr(0, v.size() - 2));
        const std::size_t colon = clock.find(':');
        ok = (iequals(suffix, "AM") || iequals(suffix, "PM")) && colon != npos &&
             fieldInRange(clock.substr(0, colon), 1, 2, 1, 12) &&
             fieldInRange(clock.substr(colon + 1), 2, 2, 0, 59);
    }
    if (!ok)
        findings.add(e->line, ref(s) + ": " + std::string(key) + " " + quoted(v) +
                                  " is not a time hh:mmAM or hh:mmPM");
}

void checkDate(const IniSection& s, std::string_view key, Findings& findings)
{
    const IniEntry* e = s.find(key);
    if (e && !isDate(e->value))
        findings.add(e->line, ref(s) + ": " + std::string(key) + " " + quoted(e->value) +
                                  " is not a date mm-dd-yyyy");
}

void checkNumberKey(const IniSection& s, std::string_view key, std::uint64_t maxValue,
                    Findings& findings)
{
    const IniEntry* e = s.find(key);
    if (e && !e->value.empty() && !parseUnsigned(e->value, true, maxValue))
        findings.add(e->line, ref(s) + ": " + std::string(key) + " " + quoted(e->value) +
                                  " is not a number from 0 to " + num(maxValue));
}

void checkFileInfo(const IniSection& s, Findings& findings)
{
    checkDate(s, "CreationDate", findings);
    checkDate(s, "ModificationDate", findings);
    checkTime12(s, "CreationTime", findings);
    checkTime12(s, "ModificationTime", findings);
    checkNumberKey(s, "FileVersion", 0xFF, findings);
    checkNumberKey(s, "FileRevision", 0xFF, findings);
}

void checkDeviceInfo(const IniSection& s, Findings& findings)
{
    for (const char* key : {"VendorName", "ProductName", "NrOfRXPDO", "NrOfTXPDO"})
        requireKey(s, key, findings);
    for (const char* key :
         {"BaudRate_10", "BaudRate_20", "BaudRate_50", "BaudRate_125", "BaudRate_250",
          "BaudRate_500", "BaudRate_800", "BaudRate_1000", "SimpleBootUpMaster",
          "SimpleBootUpSlave", "GroupMessaging", "LSS_Supported"})
        checkFlag(s, key, findings);
    for (const char* key : {"VendorNumber", "ProductNumber", "RevisionNumber"})
        checkNumberKey(s, key, 0xFFFFFFFFu, findings);
    checkNumberKey(s, "Granularity", 64, findings);
}

using DummySet = std::bitset<8>;

DummySet readDummyUsage(const IniFile& ini, Findings& findings)
{
    DummySet enabled;
    const IniSection* s = ini.find("DummyUsage");
    if (!s)
        return enabled;
    for (const IniEntry& e : s->entries) {
        const std::string_view digits = e.key.size() > 5 ? e.key.substr(5) : std::string_view{};
        const auto type =
            istartsWith(e.key, "Dummy") && std::all_of(digits.begin(), digits.end(), isHexDigit)
                ? parseUnsigned("0x" + std::string(digits), false, 0xFFFF)
                : std::nullopt;
        if (!type || *type < 1 || *type > 7) {
            findings.add(e.line, ref(*s) + ": " + quoted(e.key) +
                                     " names no dummy type (Dummy0001 to Dummy0007)");
            continue;
        }
        const auto flag = parseUnsigned(e.value, false, 1);
        if (!flag)
            findings.add(e.line,
                         ref(*s) + ": " + shown(e.key) + " must be 0 or 1, not " + quoted(e.value));
        else if (*flag == 1)
            enabled.set(*type);
    }
    return enabled;
}

bool inRange(unsigned v, unsigned low, unsigned high)
{
    return v >= low && v <= high;
}

void checkPdoCount(const IniFile& ini, const ObjectMap& objects, const char* key, unsigned low,
                   const char* what, Findings& findings)
{
    const IniSection* info = ini.find("DeviceInfo");
    const IniEntry* e = info ? info->find(key) : nullptr;
    if (!e || e->value.empty())
        return; // reported as a missing key
    const auto present = static_cast<std::uint64_t>(
        std::distance(objects.lower_bound(low), objects.upper_bound(low + 0x1FF)));
    const auto n = parseUnsigned(e->value, true, 512);
    if (!n)
        findings.add(e->line,
                     ref(*info) + ": " + key + " " + quoted(e->value) + " is not a number of PDOs");
    else if (*n != present)
        findings.add(e->line, ref(*info) + ": " + key + "=" + num(*n) + " but the file has " +
                                  num(present) + " " + what + " (" + hexNumber(low, 4) + " to " +
                                  hexNumber(low + 0x1FF, 4) + ")");
}

// Every communication object has its mapping object (index + 0x200) and the other way round.
void checkPdoPairs(const ObjectMap& objects, unsigned commLow, Findings& findings)
{
    for (auto it = objects.lower_bound(commLow);
         it != objects.end() && it->first <= commLow + 0x3FF; ++it) {
        const bool isComm = it->first < commLow + 0x200;
        const unsigned partner = isComm ? it->first + 0x200 : it->first - 0x200;
        if (objects.count(partner) == 0)
            findings.add(it->second.section->line,
                         ref(*it->second.section) + " has no " +
                             (isComm ? "mapping object " : "communication object ") +
                             hexNumber(partner, 4));
    }
}

void checkMappedObject(const IniSection& entrySection, const IniEntry& value, std::uint32_t mapping,
                       bool receive, const ObjectMap& objects, const DummySet& dummies,
                       Findings& findings)
{
    const unsigned index = mapping >> 16;
    const unsigned sub = (mapping >> 8) & 0xFFu;
    const unsigned bits = mapping & 0xFFu;
    const std::string where = ref(entrySection) + ": ";
    const std::string mapped = subName(index, sub);
    if (index >= 1 && index <= 7) {
        const ValueType type = *canOpenType(index);
        if (!dummies.test(index))
            findings.add(value.line, where + "maps the dummy " + hexNumber(index, 4) +
                                         ", which [DummyUsage] does not enable");
        else if (static_cast<int>(bits) != type.bits)
            findings.add(value.line, where + "maps the dummy " + hexNumber(index, 4) + " with " +
                                         num(bits) + " bits, but " + type.name + " has " +
                                         num(static_cast<unsigned>(type.bits)));
        return;
    }
    const auto obj = objects.find(index);
    const IniSection* target = nullptr;
    if (obj != objects.end()) {
        if (obj->second.subs.empty() || obj->second.compact) {
            if (sub == 0 || obj->second.compact)
                target = obj->second.section;
        } else if (const auto s = obj->second.subs.find(sub); s != obj->second.subs.end()) {
            target = s->second;
        }
    }
    if (!target) {
        findings.add(value.line, where + "maps " + mapped + ", which does not exist");
        return;
    }
    const IniEntry* pdoMapping = target->find("PDOMapping");
    if (!pdoMapping || trim(pdoMapping->value) != "1")
        findings.add(value.line, where + "maps " + mapped + ", whose PDOMapping is not 1");
    if (const IniEntry* access = target->find("AccessType")) {
        const std::string a = lowerCopy(access->value);
        const bool writable = a == "wo" || a == "rw" || a == "rww";
        const bool readable = a == "ro" || a == "rw" || a == "rwr" || a == "const";
        if (receive && !writable && isAccessType(a))
            findings.add(value.line, where + "a receive PDO maps " + mapped +
                                         ", which cannot be written (AccessType " + a + ")");
        if (!receive && !readable && isAccessType(a))
            findings.add(value.line, where + "a transmit PDO maps " + mapped +
                                         ", which cannot be read (AccessType " + a + ")");
    }
    const auto type = readDataType(*target);
    if (type && type->bits > 0 && type->kind != Kind::Time && static_cast<int>(bits) != type->bits)
        findings.add(value.line, where + "maps " + mapped + " with " + num(bits) +
                                     " bits, but its " + type->name + " has " +
                                     num(static_cast<unsigned>(type->bits)));
}

void checkMapping(const CoObject& map, bool receive, const ObjectMap& objects,
                  const DummySet& dummies, Findings& findings)
{
    const auto sub0 = map.subs.find(0);
    if (sub0 == map.subs.end())
        return; // reported with the object's sub-entries
    const IniEntry* countEntry = sub0->second->find("DefaultValue");
    if (!countEntry || countEntry->value.empty())
        return;
    const auto count = parseUnsigned(countEntry->value, true, 0xFF);
    if (!count)
        return; // reported by the value check of the sub-entry
    const std::string where = ref(*map.section) + ": ";
    if (*count > 64) {
        findings.add(countEntry->line,
                     where + "maps " + num(*count) + " entries; a PDO holds at most 64");
        return;
    }
    unsigned totalBits = 0;
    for (unsigned k = 1; k <= *count; ++k) {
        const auto entry = map.subs.find(k);
        if (entry == map.subs.end()) {
            findings.add(countEntry->line, where + "sub-index 0 says " + num(*count) +
                                               " entries are mapped, but sub-index " + num(k) +
                                               " is missing");
            continue;
        }
        const IniSection& entrySection = *entry->second;
        const IniEntry* value = entrySection.find("DefaultValue");
        if (!value || value->value.empty()) {
            findings.add(entrySection.line,
                         ref(entrySection) + " is mapped but has no DefaultValue naming an object");
            continue;
        }
        const auto mapping = parseUnsigned(value->value, true, 0xFFFFFFFFu);
        if (!mapping)
            continue; // reported by the value check of the sub-entry
        totalBits += static_cast<unsigned>(*mapping & 0xFFu);
        checkMappedObject(entrySection, *value, static_cast<std::uint32_t>(*mapping), receive,
                          objects, dummies, findings);
    }
    if (totalBits > 64)
        findings.add(map.section->line,
                     where + "the PDO maps " + num(totalBits) + " bits; at most 64 fit");
}

void checkPdos(const IniFile& ini, const ObjectMap& objects, Findings& findings)
{
    checkPdoCount(ini, objects, "NrOfRXPDO", 0x1400, "receive PDO communication objects", findings);
    checkPdoCount(ini, objects, "NrOfTXPDO", 0x1800, "transmit PDO communication objects",
                  findings);
    checkPdoPairs(objects, 0x1400, findings);
    checkPdoPairs(objects, 0x1800, findings);
    const DummySet dummies = readDummyUsage(ini, findings);
    for (const auto& [index, obj] : objects) {
        if (inRange(index, 0x1600, 0x17FF))
            checkMapping(obj, true, objects, dummies, findings);
        else if (inRange(index, 0x1A00, 0x1BFF))
            checkMapping(obj, false, objects, dummies, findings);
    }
}

bool isListSection(const IniSection& s)
{
    return iequals(s.name, "MandatoryObjects") || iequals(s.name, "OptionalObjects") ||
           iequals(s.name, "ManufacturerObjects");
}

void checkCanOpen(const Lines& lines, Findings& findings)
{
    IniFile ini;
    if (!readIni(lines, ini, findings))
        return;
    for (const IniSection& s : ini.sections) {
        if (!isListSection(s)) // list entries are checked by number below
            reportRepeatedKeys(s, findings);
    }
    for (const char* name : {"FileInfo", "DeviceInfo", "MandatoryObjects"}) {
        if (!ini.find(name))
            findings.add(0, std::string("required section [") + name + "] is missing");
    }
    if (const IniSection* s = ini.find("FileInfo"))
        checkFileInfo(*s, findings);
    if (const IniSection* s = ini.find("DeviceInfo"))
        checkDeviceInfo(*s, findings);

    ObjectMap objects = collectObjects(ini, findings);
    std::map<unsigned, Listing> listed;
    const std::pair<const char*, ListKind> lists[] = {
        {"MandatoryObjects", ListKind::Mandatory},
        {"OptionalObjects", ListKind::Optional},
        {"ManufacturerObjects", ListKind::Manufacturer}};
    for (const auto& [name, kind] : lists) {
        if (const IniSection* s = ini.find(name))
            checkObjectList(*s, kind, objects, listed, findings);
    }
    if (const IniSection* mandatory = ini.find("MandatoryObjects")) {
        for (unsigned index : {0x1000u, 0x1001u, 0x1018u}) {
            const auto it = listed.find(index);
            if (it == listed.end() || it->second.list != ListKind::Mandatory)
                findings.add(mandatory->line,
                             ref(*mandatory) + " does not list " + hexNumber(index, 4));
        }
    }
    for (auto& [index, obj] : objects) {
        // Data type definitions below 0x1000 need no listing.
        if (index >= 0x1000 && listed.count(index) == 0)
            findings.add(obj.section->line, ref(*obj.section) +
                                                " is not listed in [MandatoryObjects], "
                                                "[OptionalObjects] or [ManufacturerObjects]");
        checkObject(obj, objects, findings);
    }
    checkPdos(ini, objects, findings);
}

// ------------------------------------------------------------------------------------------------
// DeviceNet: sections of "Keyword = value, value, ... ;" entries that may run over several lines,
// with '$' starting a comment outside strings.

struct DnField
{
    std::string_view text; // without quotes
    int line = 0;
    bool quoted = false;
};

struct DnEntry
{
    std::string_view keyword;
    int line = 0;
    std::size_t firstField = 0;
    std::size_t fieldCount = 0;
};

struct DnSection
{
    std::string_view name;
    int line = 0;
    bool repeated = false;
    std::size_t firstEntry = 0;
    std::size_t entryCount = 0;
};

struct DnFile
{
    std::vector<DnSection> sections;
    std::vector<DnEntry> entries;
    std::vector<DnField> fields;
    std::unordered_map<std::string, std::size_t> byName;

    [[nodiscard]] const DnSection* find(std::string_view name) const
    {
        const auto it = byName.find(lowerCopy(name));
        return it == byName.end() ? nullptr : &sections[it->second];
    }
    [[nodiscard]] std::span<const DnEntry> entriesOf(const DnSection& s) const
    {
        return {entries.data() + s.firstEntry, s.entryCount};
    }
    [[nodiscard]] std::span<const DnField> fieldsOf(const DnEntry& e) const
    {
        return {fields.data() + e.firstField, e.fieldCount};
    }
    [[nodiscard]] const DnEntry* findEntry(const DnSection& s, std::string_view keyword) const
    {
        for (const DnEntry& e : entriesOf(s)) {
            if (iequals(e.keyword, keyword))
                return &e;
        }
        return nullptr;
    }
};

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

struct DnType
{
    unsigned code;
    ValueType type;
};

// The CIP elementary data types a parameter may have; size 0 where it is not fixed.
constexpr DnType DnTypes[] = {
    {0xC1, {"BOOL", Kind::Boolean, 8}},        {0xC2, {"SINT", Kind::Signed, 8}},
    {0xC3, {"INT", Kind::Signed, 16}},         {0xC4, {"DINT", Kind::Signed, 32}},
    {0xC5, {"LINT", Kind::Signed, 64}},        {0xC6, {"USINT", Kind::Unsigned, 8}},
    {0xC7, {"UINT", Kind::Unsigned, 16}},      {0xC8, {"UDINT", Kind::Unsigned, 32}},
    {0xC9, {"ULINT", Kind::Unsigned, 64}},     {0xCA, {"REAL", Kind::Real, 32}},
    {0xCB, {"LREAL", Kind::Real, 64}},         {0xCC, {"STIME", Kind::Signed, 32}},
    {0xCD, {"DATE", Kind::Unsigned, 16}},      {0xCE, {"TIME_OF_DAY", Kind::Unsigned, 32}},
    {0xCF, {"DATE_AND_TIME", Kind::Time, 48}}, {0xD0, {"STRING", Kind::Text, 0}},
    {0xD1, {"BYTE", Kind::Unsigned, 8}},       {0xD2, {"WORD", Kind::Unsigned, 16}},
    {0xD3, {"DWORD", Kind::Unsigned, 32}},     {0xD4, {"LWORD", Kind::Unsigned, 64}},
    {0xD5, {"STRING2", Kind::Text, 0}},        {0xD6, {"FTIME", Kind::Signed, 32}},
    {0xD7, {"LTIME", Kind::Signed, 64}},       {0xD8, {"ITIME", Kind::Signed, 16}},
    {0xD9, {"STRINGN", Kind::Text, 0}},        {0xDA, {"SHORT_STRING", Kind::Text, 0}},
    {0xDB, {"TIME", Kind::Signed, 32}},        {0xDC, {"EPATH", Kind::Structure, 0}},
    {0xDD, {"ENGUNIT", Kind::Unsigned, 16}},   {0xDE, {"STRINGI", Kind::Text, 0}},
};

std::optional<ValueType> deviceNetType(std::uint64_t code)
{
    for (const DnType& t : DnTypes) {
        if (t.code == code)
            return t.type;
    }
    return std::nullopt;
}

std::string dnRef(const DnSection& s)
{
    return "[" + shown(s.name) + "]";
}

// Keywords of the form <vendor number>_<name> belong to a vendor and are not checked.
bool isVendorKeyword(std::string_view k)
{
    const std::size_t u = k.find('_');
    return u != npos && u > 0 && allDigits(k.substr(0, u));
}

// "Param12" -> 12; nullopt for anything else, such as a left-over "ParamXXX".
std::optional<std::uint64_t> numberedKeyword(std::string_view keyword, std::string_view prefix)
{
    if (!istartsWith(keyword, prefix))
        return std::nullopt;
    const std::string_view digits = keyword.substr(prefix.size());
    if (!allDigits(digits) || digits.size() > 9)
        return std::nullopt;
    return parseUnsigned(digits, false, 999999999);
}

class DnChecker
{
public:
    DnChecker(const DnFile& file, Findings& findings) : m_file(file), m_findings(findings) {}

    void run()
    {
        for (const DnSection& s : m_file.sections)
            reportRepeats(
                m_file.entriesOf(s), [](const DnEntry& e) { return e.keyword; },
                [&](const DnEntry& again, const DnEntry& first) {
                    m_findings.add(again.line, dnRef(s) + ": " + shown(again.keyword) +
                                                   " appears again; the first is on "
                                                   "line " +
                                                   std::to_string(first.line));
                });
        for (const char* name : {"File", "Device", "IO_Info"}) {
            if (!m_file.find(name))
                m_findings.add(0, std::string("required section [") + name + "] is missing");
        }
        if (const DnSection* s = m_file.find("File"))
            checkFile(*s);
        if (const DnSection* s = m_file.find("Device"))
            checkDevice(*s);
        if (const DnSection* s = m_file.find("IO_Info"))
            checkIoInfo(*s);
        checkParameters();
    }

private:
    enum class Single
    {
        String,
        Number,
        Date,
        Time,
        Revision,
    };

    // An entry of one value; false (with a finding) when it is missing or has more values.
    const DnField* single(const DnSection& s, const char* keyword, bool required)
    {
        const DnEntry* e = m_file.findEntry(s, keyword);
        if (!e) {
            if (required)
                m_findings.add(s.line, dnRef(s) + " has no " + keyword);
            return nullptr;
        }
        if (e->fieldCount != 1) {
            m_findings.add(e->line, dnRef(s) + ": " + keyword + " takes one value, not " +
                                        num(e->fieldCount));
            return nullptr;
        }
        return &m_file.fieldsOf(*e)[0];
    }

    void checkSingle(const DnSection& s, const char* keyword, Single kind, bool required,
                     std::uint64_t maxValue = 0)
    {
        const DnField* f = single(s, keyword, required);
        if (!f)
            return;
        const std::string where = dnRef(s) + ": " + keyword + " ";
        switch (kind) {
        case Single::String:
            if (!f->quoted)
                m_findings.add(f->line, where + "must be a string in double quotes");
            break;
        case Single::Number:
            if (f->quoted || !parseUnsigned(f->text, false, maxValue))
                m_findings.add(f->line, where + quoted(f->text) + " is not a number from 0 to " +
                                            num(maxValue));
            break;
        case Single::Date:
            if (f->quoted || !isDate(f->text))
                m_findings.add(f->line, where + quoted(f->text) + " is not a date mm-dd-yyyy");
            break;
        case Single::Time:
            if (f->quoted || !isTime24(f->text))
                m_findings.add(f->line, where + quoted(f->text) + " is not a time hh:mm:ss");
            break;
        case Single::Revision:
            if (f->quoted || !isRevision(f->text))
                m_findings.add(f->line, where + quoted(f->text) + " is not a revision major.minor");
            break;
        }
    }

    static bool isTime24(std::string_view t)
    {
        return t.size() == 8 && t[2] == ':' && t[5] == ':' &&
               fieldInRange(t.substr(0, 2), 2, 2, 0, 23) &&
               fieldInRange(t.substr(3, 2), 2, 2, 0, 59) &&
               fieldInRange(t.substr(6, 2), 2, 2, 0, 59);
    }

    static bool isRevision(std::string_view t)
    {
        const std::size_t dot = t.find('.');
        return dot != npos && fieldInRange(t.substr(0, dot), 1, 3, 0, 255) &&
               fieldInRange(t.substr(dot + 1), 1, 3, 0, 255);
    }

    void checkFile(const DnSection& s)
    {
        checkSingle(s, "DescText", Single::String, true);
        checkSingle(s, "CreateDate", Single::Date, true);
        checkSingle(s, "CreateTime", Single::Time, true);
        checkSingle(s, "ModDate", Single::Date, false);
        checkSingle(s, "ModTime", Single::Time, false);
        checkSingle(s, "Revision", Single::Revision, true);
    }

    void checkDevice(const DnSection& s)
    {
        checkSingle(s, "VendCode", Single::Number, true, 0xFFFF);
        checkSingle(s, "VendName", Single::String, true);
        checkSingle(s, "ProdType", Single::Number, true, 0xFFFF);
        checkSingle(s, "ProdTypeStr", Single::String, true);
        checkSingle(s, "ProdCode", Single::Number, true, 0xFFFF);
        checkSingle(s, "MajRev", Single::Number, true, 0xFF);
        checkSingle(s, "MinRev", Single::Number, true, 0xFF);
        checkSingle(s, "ProdName", Single::String, true);
        checkSingle(s, "Catalog", Single::String, false);
    }

    // Input1 / Output1 (and further ones): size, significant bits, connection bits, name, path
    // size, path, help.
    void checkIoInfo(const DnSection& s)
    {
        for (const char* keyword : {"Input1", "Output1"}) {
            if (!m_file.findEntry(s, keyword))
                m_findings.add(s.line, dnRef(s) + " has no " + keyword + " with the I/O size");
        }
        for (const DnEntry& e : m_file.entriesOf(s)) {
            if (!numberedKeyword(e.keyword, "Input") && !numberedKeyword(e.keyword, "Output"))
                continue;
            const auto fields = m_file.fieldsOf(e);
            const std::string where = dnRef(s) + ": " + shown(e.keyword) + " ";
            if (fields.size() != 7)
                m_findings.add(e.line,
                               where + "has " + num(fields.size()) + " values; an I/O entry has 7");
            if (fields.empty() || fields[0].quoted || !parseUnsigned(fields[0].text, false, 0xFFFF))
                m_findings.add(fields.empty() ? e.line : fields[0].line,
                               where + "has no size (a number of bytes as its first value)");
        }
    }

    void checkParameters()
    {
        const DnSection* params = m_file.find("Params");
        const DnSection* enums = m_file.find("EnumPar");
        std::map<std::uint64_t, const DnEntry*> paramByNumber;
        struct EnumRef
        {
            std::uint64_t number;
            const DnSection* section;
            const DnEntry* entry;
        };
        std::vector<EnumRef> enumEntries;
        for (const DnSection* s : {params, enums}) {
            if (!s)
                continue;
            for (const DnEntry& e : m_file.entriesOf(*s)) {
                if (const auto n = numberedKeyword(e.keyword, "Param"); n && *n > 0) {
                    if (s == enums) {
                        m_findings.add(e.line, dnRef(*s) + ": " + shown(e.keyword) +
                                                   " stands here; parameters belong in [Params]");
                        continue;
                    }
                    const auto [it, inserted] = paramByNumber.emplace(*n, &e);
                    if (!inserted && !iequals(it->second->keyword, e.keyword))
                        m_findings.add(e.line, dnRef(*s) + ": " + shown(e.keyword) +
                                                   " repeats parameter " + num(*n) + " of line " +
                                                   std::to_string(it->second->line));
                    checkParam(*s, e);
                } else if (const auto m = numberedKeyword(e.keyword, "Enum"); m && *m > 0) {
                    enumEntries.push_back({*m, s, &e});
                    checkEnum(*s, e);
                } else if (!isVendorKeyword(e.keyword)) {
                    m_findings.add(e.line, dnRef(*s) + ": " + quoted(e.keyword) + " is not " +
                                               (s == params ? "a parameter ParamN or EnumN"
                                                            : "an enumeration EnumN"));
                }
            }
        }
        for (const EnumRef& r : enumEntries) {
            if (paramByNumber.count(r.number) == 0)
                m_findings.add(r.entry->line, dnRef(*r.section) + ": " + shown(r.entry->keyword) +
                                                  " has no parameter Param" + num(r.number));
        }
        checkMaxInst(paramByNumber.empty() ? 0 : paramByNumber.rbegin()->first);
    }

    void checkMaxInst(std::uint64_t highest)
    {
        const DnSection* paramClass = m_file.find("ParamClass");
        if (!paramClass) {
            if (highest > 0)
                m_findings.add(0, "the file has parameters but no [ParamClass] section with "
                                  "MaxInst");
            return;
        }
        const DnField* f = single(*paramClass, "MaxInst", highest > 0);
        if (!f)
            return;
        const auto n = f->quoted ? std::nullopt : parseUnsigned(f->text, false, 0xFFFF);
        if (!n)
            m_findings.add(f->line, dnRef(*paramClass) + ": MaxInst " + quoted(f->text) +
                                        " is not a number from 0 to 65535");
        else if (*n != highest)
            m_findings.add(f->line,
                           dnRef(*paramClass) + ": MaxInst = " + num(*n) +
                               " but the highest parameter is " +
                               (highest > 0 ? "Param" + num(highest) : std::string("none")));
    }

    // ParamN = reserved, link path size, link path, descriptor, data type, data size, name,
    // units, help, minimum, maximum, default, 4 scaling values, 4 links, decimal places;
    static constexpr std::size_t ParamFields = 21;

    void checkParam(const DnSection& s, const DnEntry& e)
    {
        const auto f = m_file.fieldsOf(e);
        const std::string where = dnRef(s) + ": " + shown(e.keyword) + ": ";
        if (f.size() != ParamFields) {
            m_findings.add(e.line, where + "has " + num(f.size()) + " values; a parameter has " +
                                       num(ParamFields));
            return;
        }
        auto numberField = [&](std::size_t i, const char* what, std::uint64_t maxValue,
                               bool required) {
            if (f[i].text.empty() && !f[i].quoted && !required)
                return;
            if (f[i].quoted || !parseInteger(f[i].text, false) ||
                (maxValue > 0 && !parseUnsigned(f[i].text, false, maxValue)))
                m_findings.add(f[i].line,
                               where + what + " " + quoted(f[i].text) + " is not a number");
        };
        auto stringField = [&](std::size_t i, const char* what, bool required) {
            if ((!f[i].text.empty() || required) && !f[i].quoted)
                m_findings.add(f[i].line, where + what + " must be a string in double quotes");
            else if (required && f[i].text.empty())
                m_findings.add(f[i].line, where + what + " is empty");
        };
        numberField(1, "link path size", 0xFF, false);
        stringField(2, "link path", false);
        numberField(3, "descriptor", 0xFFFF, false);
        numberField(5, "data size", 0xFFFF, true);
        stringField(6, "name", true);
        stringField(7, "units", false);
        stringField(8, "help string", false);
        for (std::size_t i = 12; i <= 19; ++i)
            numberField(i, "scaling or link value", 0, false);
        numberField(20, "decimal places", 0xFF, false);

        const auto code = f[4].quoted ? std::nullopt : parseUnsigned(f[4].text, false, 0xFF);
        const auto type = code ? deviceNetType(*code) : std::nullopt;
        if (!type) {
            m_findings.add(f[4].line,
                           where + "data type " + quoted(f[4].text) + " is not a CIP data type");
            return;
        }
        if (type->bits > 0 && type->kind != Kind::Time) {
            const auto size = parseUnsigned(f[5].text, false, 0xFFFF);
            if (size && *size * 8 != static_cast<std::uint64_t>(type->bits))
                m_findings.add(f[5].line, where + "data size " + num(*size) + " does not fit its " +
                                              type->name + " (" +
                                              num(static_cast<unsigned>(type->bits / 8)) + ")");
        }
        if (isNumeric(type->kind))
            checkParamValues(where, f, *type);
    }

    std::optional<Value> paramValue(const std::string& where, const DnField& f, const char* what,
                                    const ValueType& type)
    {
        if (f.text.empty() && !f.quoted)
            return std::nullopt;
        std::string why;
        // A BOOL parameter holds its 0 or 1 in a byte.
        const ValueType readAs =
            type.kind == Kind::Boolean ? ValueType{type.name, Kind::Boolean, 1} : type;
        auto v = f.quoted ? std::nullopt : parseValue(f.text, readAs, false, why);
        if (!v)
            m_findings.add(f.line, where + what + " " + quoted(f.text) + " is not a valid " +
                                       type.name + (why.empty() ? "" : " (" + why + ")"));
        return v;
    }

    void checkParamValues(const std::string& where, std::span<const DnField> f,
                          const ValueType& type)
    {
        const auto low = paramValue(where, f[9], "minimum", type);
        const auto high = paramValue(where, f[10], "maximum", type);
        const bool limitsInOrder = !(low && high && compareValues(*low, *high) == 1);
        if (!limitsInOrder)
            m_findings.add(f[10].line, where + "minimum " + shown(f[9].text) +
                                           " is above the maximum " + shown(f[10].text));
        if (f[11].text.empty() && !f[11].quoted) {
            m_findings.add(f[11].line, where + "has no default value");
            return;
        }
        const auto def = paramValue(where, f[11], "default", type);
        if (!limitsInOrder)
            return;
        if (def && low && compareValues(*def, *low) == -1)
            m_findings.add(f[11].line, where + "default " + shown(f[11].text) +
                                           " is below the minimum " + shown(f[9].text));
        if (def && high && compareValues(*def, *high) == 1)
            m_findings.add(f[11].line, where + "default " + shown(f[11].text) +
                                           " is above the maximum " + shown(f[10].text));
    }

    // EnumN = value, "text", value, "text", ... ;
    void checkEnum(const DnSection& s, const DnEntry& e)
    {
        const auto f = m_file.fieldsOf(e);
        const std::string where = dnRef(s) + ": " + shown(e.keyword) + ": ";
        if (f.size() < 2 || f.size() % 2 != 0) {
            m_findings.add(e.line, where + "has " + num(f.size()) +
                                       " values; it needs pairs of a number and a \"text\"");
            return;
        }
        for (std::size_t i = 0; i < f.size(); i += 2) {
            if (f[i].quoted || !parseInteger(f[i].text, false))
                m_findings.add(f[i].line, where + quoted(f[i].text) + " is not a number");
            if (!f[i + 1].quoted)
                m_findings.add(f[i + 1].line, where + "the text of choice " + shown(f[i].text) +
                                                  " must be a string in double quotes");
        }
    }

    const DnFile& m_file;
    Findings& m_findings;
};

void checkDeviceNet(const Lines& lines, Findings& findings)
{
    DnFile file;
    DnReader reader(file, findings);
    if (!reader.read(lines))
        return;
    DnChecker(file, findings).run();
}

EdsFormat detectFormat(const Lines& lines)
{
    for (std::string_view raw : lines) {
        const std::string_view t = trim(raw);
        if (t.empty() || t.front() != '[')
            continue;
        const std::size_t close = t.find(']');
        if (close == npos)
            continue;
        const std::string_view name = trim(t.substr(1, close - 1));
        if (iequals(name, "FileInfo"))
            return EdsFormat::CanOpen;
        if (iequals(name, "File") || iequals(name, "Device"))
            return EdsFormat::DeviceNet;
    }
    return EdsFormat::Unknown;
}

} // namespace

CheckReport checkEds(std::string_view bytes)
{
    CheckReport report;
    Findings findings(report.findings);
    if (bytes.size() > MaxCheckedFileBytes) {
        findings.add(0, "the file is larger than " + num(MaxCheckedFileBytes >> 20) +
                            " MiB; no EDS is that large, so it is not checked");
        return report;
    }
    Lines lines;
    if (!splitBounded(bytes, lines, findings))
        return report;
    report.format = detectFormat(lines);
    switch (report.format) {
    case EdsFormat::CanOpen:
        checkCanOpen(lines, findings);
        break;
    case EdsFormat::DeviceNet:
        checkDeviceNet(lines, findings);
        break;
    case EdsFormat::Unknown:
        findings.add(0, bytes.empty() ? "the file is empty"
                                      : "no [FileInfo] section (CANopen) and no [File] or "
                                        "[Device] section (DeviceNet): this is not an EDS");
        break;
    }
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const CheckFinding& a, const CheckFinding& b) { return a.line < b.line; });
    if (findings.overflowed())
        report.findings.push_back(
            {0, "more than " + num(MaxReportedFindings) + " findings; the rest are not reported"});
    return report;
}

std::string formatReport(const CheckReport& report, const std::string& fileName)
{
    std::string out;
    for (const CheckFinding& f : report.findings) {
        out += fileName;
        if (f.line > 0)
            out += ":" + std::to_string(f.line);
        out += ": " + f.message + "\n";
    }
    out += fileName + ": " + formatName(report.format) + ", ";
    if (report.clean())
        out += "clean\n";
    else
        out += num(report.findings.size()) +
               (report.findings.size() == 1 ? " finding\n" : " findings\n");
    return out;
}

const char* formatName(EdsFormat format)
{
    switch (format) {
    case EdsFormat::CanOpen:
        return "CANopen EDS";
    case EdsFormat::DeviceNet:
        return "DeviceNet EDS";
    case EdsFormat::Unknown:
        break;
    }
    return "unrecognised file";
}

} // namespace quillon
