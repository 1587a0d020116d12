#include "eds/check/devicenet_rules.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/item_reader.h"
#include "eds/check/check_numbers.h"
#include "eds/check/check_text.h"
#include "eds/check/devicenet_reader.h"

namespace quillon::check {

namespace {

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
    return static_cast<std::uint64_t>(*parseWholeNumber(digits, 0, 999999999));
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

} // namespace

void checkDeviceNet(const Lines& lines, Findings& findings)
{
    DnFile file;
    if (!readDeviceNet(lines, file, findings))
        return;
    DnChecker(file, findings).run();
}

} // namespace quillon::check
