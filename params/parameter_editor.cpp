#include "params/parameter_editor.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/dialogs.h"
#include "core/file_access.h"
#include "core/file_path.h"
#include "core/item_reader.h"
#include "core/number_text.h"
#include "core/session.h"
#include "params/editor_commands.h"
#include "params/resource_defaults.h"

namespace quillon {

namespace {

std::string slotText(int slot)
{
    return "slot " + std::to_string(slot);
}

// The index of the first choice with `text`, searching up to the first empty text.
std::optional<std::size_t> choiceWithText(const ParameterRecord& record, const std::string& text)
{
    const std::size_t n = std::min(record.EnumText.size(), record.EnumValue.size());
    for (std::size_t m = 0; m < n && !record.EnumText[m].empty(); ++m) {
        if (record.EnumText[m] == text)
            return m;
    }
    return std::nullopt;
}

std::optional<std::size_t> choiceWithValue(const ParameterRecord& record, std::int32_t value)
{
    const std::size_t n = std::min(record.EnumText.size(), record.EnumValue.size());
    for (std::size_t m = 0; m < n && !record.EnumText[m].empty(); ++m) {
        if (record.EnumValue[m] == value)
            return m;
    }
    return std::nullopt;
}

} // namespace

EditorSlot* ParameterEditor::slotAt(int slot)
{
    if (slot < 1 || slot > static_cast<int>(m_slots.size()))
        return nullptr;
    return &m_slots[static_cast<std::size_t>(slot - 1)];
}

ParameterEditor::LoadResult ParameterEditor::Form_Load(Session& session, Dialogs& dialogs)
{
    m_slots.clear();
    m_rows.clear();
    m_refused = false;
    m_valueEdited = false;

    const int slotCount = std::clamp(session.gintAnzMod, 0, EditorSlotCount);
    int total = 0;
    for (int i = 1; i <= slotCount; ++i)
        total += std::max(0, session.gstrModPar[static_cast<std::size_t>(i - 1)]);
    m_refused = total > MaxParameterRows;
    if (m_refused) {
        dialogs.notice("The station has " + std::to_string(total) +
                       " module parameters, more than the " + std::to_string(MaxParameterRows) +
                       " the parameter editor can show!");
    }

    for (int i = 1; i <= slotCount; ++i) {
        EditorSlot slot;
        slot.number = i;
        slot.moduleFile = session.gstrModule[static_cast<std::size_t>(i - 1)];
        slot.caption = modelNameOf(slot.moduleFile) + " - Slot " + std::to_string(i);
        slot.frameName = "Frame" + std::to_string(i);
        slot.parameterCount =
            m_refused ? 0 : std::max(0, session.gstrModPar[static_cast<std::size_t>(i - 1)]);
        slot.firstRow = static_cast<int>(m_rows.size()) + 1;
        for (int j = 0; j < slot.parameterCount; ++j) {
            ParameterRow row;
            row.slot = i;
            row.position = j;
            row.label = "Param." + std::to_string(j + 1);
            m_rows.push_back(std::move(row));
        }
        m_slots.push_back(std::move(slot));
    }
    TabStrip1_Click(1);

    if (m_refused)
        return LoadResult::Refused;
    if (session.gstrActEDS.empty())
        return LoadResult::NoEds;
    std::string whyNot;
    const auto bytes = readTextFile(session.gstrActEDS, EdsFileMaxBytes, &whyNot);
    if (!bytes) {
        dialogs.notice(EdsUnreadableMessage, session.gstrActEDS + ": " + whyNot);
        return LoadResult::Unreadable;
    }
    const std::vector<std::string> lines = splitLines(*bytes);
    readNamesAndLimits(lines, dialogs);
    if (session.gbLoadedEDS) {
        (void)Command1_Click(session, dialogs);
        readCurrentValues(lines, dialogs);
    }
    return LoadResult::Loaded;
}

void ParameterEditor::readNamesAndLimits(const std::vector<std::string>& lines, Dialogs& dialogs)
{
    const EdsParameterObjects objects = readParameterObjects(lines);
    if (!objects.hasParameterObjects) {
        dialogs.notice("The EDS-File holds no module parameters!",
                       "It has no parameter object [2600].");
        return;
    }
    std::string incomplete;
    for (const EditorSlot& slot : m_slots) {
        const auto& found = objects.slots[static_cast<std::size_t>(slot.number - 1)];
        const int inFile = static_cast<int>(found.size());
        for (int j = 0; j < std::min(inFile, slot.parameterCount); ++j) {
            ParameterRow& row = rowAt(slot.firstRow + j);
            const EdsParameterEntry& entry = found[static_cast<std::size_t>(j)];
            row.name = entry.name.value_or("");
            row.minimum = entry.lowLimit.value_or("");
            row.maximum = entry.highLimit.value_or("");
        }
        for (const EdsParameterEntry& entry : found) {
            std::string lacks;
            for (const auto& [field, key] :
                 {std::pair{&entry.name, "ParameterName="}, std::pair{&entry.lowLimit, "LowLimit="},
                  std::pair{&entry.highLimit, "HighLimit="},
                  std::pair{&entry.defaultValue, "DefaultValue="}}) {
                if (!*field)
                    lacks += std::string(lacks.empty() ? "" : ", ") + key;
            }
            if (!lacks.empty())
                incomplete += (incomplete.empty() ? "" : "; ") + entry.section + " " + lacks;
        }
        if (inFile != slot.parameterCount) {
            dialogs.notice("The EDS-File holds " + std::to_string(inFile) + " parameters for " +
                               slotText(slot.number) + ", but its module " + slot.moduleFile +
                               " has " + std::to_string(slot.parameterCount) +
                               "! The parameters are shown in file order; please check them "
                               "before saving.",
                           slot.caption);
        }
    }
    if (!incomplete.empty()) {
        dialogs.notice("Parameter entries of the EDS-File lack lines: " + incomplete +
                       "! A parameter without its DefaultValue= line is neither read nor saved; a "
                       "missing limit bounds nothing.");
    }
}

void ParameterEditor::readCurrentValues(const std::vector<std::string>& lines, Dialogs& dialogs)
{
    const EdsParameterObjects objects = readParameterObjects(lines);
    std::string unreadable;
    for (const EditorSlot& slot : m_slots) {
        const auto& found = objects.slots[static_cast<std::size_t>(slot.number - 1)];
        const int n = std::min(static_cast<int>(found.size()), slot.parameterCount);
        for (int j = 0; j < n; ++j) {
            const auto& text = found[static_cast<std::size_t>(j)].defaultValue;
            if (!text)
                continue; // reported when the names were read; the row keeps its value
            ParameterRow& row = rowAt(slot.firstRow + j);
            const auto v = nearestInt32(convertLeadingNumber(*text));
            if (!v) {
                unreadable += (unreadable.empty() ? "" : ", ") + slot.caption + " " + row.label +
                              ": " + *text;
                continue;
            }
            ParameterRecord& record = row.record;
            record.ValueNumber = *v;
            if (const auto m = choiceWithValue(record, *v))
                record.ValueText = record.EnumText[*m];
            else
                record.ValueText = decimalText(*v);
            row.value = record.ValueText;
        }
    }
    if (!unreadable.empty()) {
        dialogs.notice("The EDS-File holds values that are no 32-bit numbers; these parameters "
                       "keep the values shown before!",
                       unreadable);
    }
    m_valueEdited = false;
}

bool ParameterEditor::Command1_Click(Session& session, Dialogs& dialogs)
{
    if (m_refused)
        return false;
    if (session.gbAskForDef)
        session.gbAskForDef = false;
    else if (!dialogs.askYesNo(SetDefaultsQuestion))
        return false;
    loadResourceDefaults(session, dialogs);
    m_valueEdited = false;
    return true;
}

void ParameterEditor::loadResourceDefaults(Session& session, Dialogs& dialogs)
{
    for (const EditorSlot& slot : m_slots) {
        const std::string path = pathInFolder(session.gstrResourcePath, slot.moduleFile);
        const std::string keeps =
            " The parameters of " + slotText(slot.number) + " keep their values.";
        std::string whyNot;
        const auto bytes = readTextFile(path, TemplateMaxBytes, &whyNot);
        if (!bytes) {
            dialogs.notice("Resource-File " + slot.moduleFile + " cannot be opened!" + keeps,
                           path + ": " + whyNot);
            continue;
        }
        const ResourceDefaults defaults = readResourceDefaults(*bytes);
        if (!defaults.ok) {
            dialogs.notice("Resource-File " + slot.moduleFile + " cannot be used!" + keeps,
                           path + ": " + defaults.error);
            continue;
        }
        const int inFile = static_cast<int>(defaults.parameters.size());
        if (inFile != slot.parameterCount) {
            dialogs.notice("Resource-File " + slot.moduleFile + " holds " + std::to_string(inFile) +
                               " parameters, but " + slotText(slot.number) + " has " +
                               std::to_string(slot.parameterCount) +
                               "! The defaults are set in file order; please check them.",
                           path);
        }
        for (int j = 0; j < std::min(inFile, slot.parameterCount); ++j) {
            const ResourceParameter& parameter = defaults.parameters[static_cast<std::size_t>(j)];
            ParameterRow& row = rowAt(slot.firstRow + j);
            ParameterRecord& record = row.record;
            const std::int32_t d = parameter.defaultNumber;
            record.DefaultNumber = d;
            record.ValueNumber = d;
            record.DefaultText = decimalText(d);
            row.defaultValue = record.DefaultText;
            row.value = record.DefaultText;
            if (!parameter.hasChoices)
                continue;
            record.EnumValue.clear();
            record.EnumText.clear();
            for (const ParameterChoice& choice : parameter.choices) {
                record.EnumValue.push_back(choice.value);
                record.EnumText.push_back(choice.text);
            }
            // When several choices carry the default's value, the last one names it.
            for (const ParameterChoice& choice : parameter.choices) {
                if (choice.value != d)
                    continue;
                record.DefaultText = choice.text;
                record.ValueText = choice.text;
                row.defaultValue = choice.text;
                row.value = choice.text;
            }
        }
    }
}

ParameterEditor::SaveResult ParameterEditor::Command3_Click(Session& session, Dialogs& dialogs)
{
    if (m_refused)
        return SaveResult::NotAvailable;
    session.view.edsdiag.filter = EdsFileFilter;
    FileRequest request;
    request.title = SaveEdsDialogTitle;
    request.directory = session.gstrEDSFilePath;
    request.fileName = session.view.edsdiag.fileName;
    request.filter = EdsFileFilter;
    const auto path = dialogs.saveFile(request);
    if (!path || path->empty())
        return SaveResult::Cancelled;
    session.view.edsdiag.fileName = *path;
    session.view.setText("Text9", *path);
    // The file chosen is the one rewritten: its own lines are read and written back. Saving to
    // a name that is not there writes nothing, quietly.
    std::string whyNot;
    const auto bytes = readTextFile(*path, EdsFileMaxBytes, &whyNot);
    if (!bytes) {
        std::error_code ec;
        if (std::filesystem::exists(toFsPath(*path), ec))
            dialogs.notice(EdsNotSavedMessage, *path + ": " + whyNot);
        return SaveResult::Unreadable;
    }
    const SaveResult saved = saveEds(session, dialogs, *bytes, *path, &whyNot);
    if (saved == SaveResult::WriteFailed)
        dialogs.notice(EdsNotSavedMessage, *path + ": " + whyNot);
    return saved;
}

ParameterEditor::SaveResult ParameterEditor::saveEds(Session& session, Dialogs& dialogs,
                                                     const std::string& edsText,
                                                     const std::string& path, std::string* whyNot)
{
    if (m_refused)
        return SaveResult::NotAvailable;
    const auto text = savedText(session, edsText, path);
    if (!text) {
        dialogs.notice(TooManyValuesMessage, path);
        return SaveResult::TooManyValues;
    }
    if (!writeFileAtomically(path, *text, whyNot))
        return SaveResult::WriteFailed;
    session.view.enable("Command2", true);
    session.view.enable("Command5", true);
    return SaveResult::Saved;
}

std::optional<std::string> ParameterEditor::savedText(const Session& session,
                                                      const std::string& edsText,
                                                      const std::string& path) const
{
    if (m_refused)
        return std::nullopt;
    return rewriteEds(splitLines(edsText), valuesToSave(), session.clock(), path);
}

PerSlot<std::optional<std::int32_t>> ParameterEditor::valuesToSave() const
{
    PerSlot<std::optional<std::int32_t>> values;
    for (const ParameterRow& row : m_rows) {
        auto& slotValues = values[static_cast<std::size_t>(row.slot - 1)];
        slotValues.push_back(row.record.DefaultText.empty()
                                 ? std::nullopt
                                 : std::optional<std::int32_t>(row.record.ValueNumber));
    }
    return values;
}

void ParameterEditor::Command2_Click(Session& session)
{
    session.view.editorVisible = false;
}

void ParameterEditor::Form_Unload(Session& session)
{
    session.view.editorVisible = false;
    session.view.editorExists = false;
}

void ParameterEditor::TabStrip1_Click(int slot)
{
    if (!slotAt(slot)) {
        m_selectedSlot = 0;
        m_scrollVisible = false;
        return;
    }
    m_selectedSlot = slot;
    SetupScrollBar(slot);
}

void ParameterEditor::SetupScrollBar(int slot, int frameHeight)
{
    const EditorSlot* s = slotAt(slot);
    if (!s || frameHeight >= s->tag()) {
        m_scrollVisible = false;
        return;
    }
    m_scrollVisible = true;
    const double rowsBelow =
        static_cast<double>(s->tag() - frameHeight) / editor_layout::RowPitch + 1;
    m_scrollMaximum = static_cast<int>(roundHalfEven(rowsBelow));
    m_scrollValue = std::min(s->scrollPosition, m_scrollMaximum);
}

void ParameterEditor::ScrollRows(int value)
{
    EditorSlot* s = slotAt(m_selectedSlot);
    if (!s || !m_scrollVisible)
        return;
    m_scrollValue = std::clamp(value, 0, m_scrollMaximum);
    s->scrollPosition = m_scrollValue;
}

int ParameterEditor::rowTop(int k) const
{
    const ParameterRow& r = row(k);
    return r.tag() -
           m_slots[static_cast<std::size_t>(r.slot - 1)].scrollPosition * editor_layout::RowPitch;
}

int ParameterEditor::rowOf(int slot, int param) const
{
    if (slot < 1 || slot > static_cast<int>(m_slots.size()))
        return 0;
    const EditorSlot& s = m_slots[static_cast<std::size_t>(slot - 1)];
    if (param < 1 || param > s.parameterCount)
        return 0;
    return s.firstRow + param - 1;
}

void ParameterEditor::Combo0_Change(int row, const std::string& text)
{
    rowAt(row).value = text;
    m_valueEdited = true;
}

void ParameterEditor::Combo0_Click(int row, const std::string& text)
{
    ParameterRow& r = rowAt(row);
    r.value = text;
    if (const auto m = choiceWithText(r.record, text)) {
        r.record.ValueNumber = r.record.EnumValue[*m];
        r.record.ValueText = r.record.EnumText[*m];
        m_valueEdited = false;
    }
}

ParameterEditor::EntryCheck ParameterEditor::Combo0_LostFocus(int row, Dialogs& dialogs)
{
    if (!m_valueEdited)
        return EntryCheck::NotEdited;
    ParameterRow& r = rowAt(row);
    const TypedEntry entry = readTypedEntry(r.value);
    const auto lo = limitNumber(r.minimum);
    const auto hi = limitNumber(r.maximum);
    const auto number = nearestInt32(entry.value);
    const bool within = (!lo || entry.value >= *lo) && (!hi || entry.value <= *hi);
    m_valueEdited = false;
    if (within && number) {
        r.record.ValueNumber = *number;
        r.record.ValueText = entry.text;
        return EntryCheck::Accepted;
    }
    dialogs.notice(OutOfBoundsMessage);
    r.value = r.defaultValue;
    r.record.ValueNumber = r.record.DefaultNumber;
    r.record.ValueText = r.record.DefaultText;
    return EntryCheck::OutOfBounds;
}

} // namespace quillon
