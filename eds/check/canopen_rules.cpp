#include "eds/check/canopen_rules.h"

#include <algorithm>
#include <bitset>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "core/item_reader.h"
#include "eds/check/check_numbers.h"
#include "eds/check/check_text.h"
#include "eds/check/ini_reader.h"

namespace quillon::check {

namespace {

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
        const auto k = static_cast<std::uint64_t>(*parseWholeNumber(e.key, 0, 999999));
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

} // namespace

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

} // namespace quillon::check
