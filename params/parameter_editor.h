#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "params/editor_layout.h"
#include "params/eds_parameters.h"

namespace quillon {

struct Session;
class Dialogs;

inline constexpr const char* EditorCaption = "Setting of K310 I/O - Module Parameters";
inline constexpr const char* SetDefaultsQuestion =
    "Do you really want to set all parameters to default value?";
inline constexpr const char* OutOfBoundsMessage =
    "Value is out of boundaries! Value will be set to default value!";
inline constexpr const char* EdsFileFilter = "EDS-File (*.eds)|*.eds";
inline constexpr const char* SaveEdsDialogTitle = "Save EDS File";
inline constexpr const char* TooManyValuesMessage =
    "The EDS-File holds more than 500 DefaultValue= lines after its first parameter object, more "
    "than the parameter editor has rows! It was not saved.";
inline constexpr const char* EdsNotSavedMessage = "The EDS-File could not be saved!";

// One parameter as the editor keeps it. The choice list ends at the first empty text.
struct ParameterRecord
{
    std::vector<std::int32_t> EnumValue;
    std::vector<std::string> EnumText;
    std::string DefaultText; // empty until defaults were loaded; while empty it is not saved
    std::int32_t DefaultNumber = 0;
    std::string ValueText;
    std::int32_t ValueNumber = 0; // what saving writes
};

// One row of the window: the record and what its boxes show.
struct ParameterRow
{
    int slot = 0;             // 1..8
    int position = 0;         // 0 for the slot's first parameter
    std::string label;        // Label0: "Param.1", "Param.2", ..
    std::string name;         // Text0
    std::string value;        // Combo0, whose list holds record.EnumText
    std::string defaultValue; // Text1
    std::string minimum;      // Text2
    std::string maximum;      // Text3
    ParameterRecord record;

    // The row's unscrolled top within its frame, in twips (its Tag).
    [[nodiscard]] int tag() const
    {
        return position * editor_layout::RowPitch + editor_layout::RowTopOffset;
    }
};

// One tab: a slot of the station and the frame that holds its rows.
struct EditorSlot
{
    int number = 0;         // 1..8
    std::string caption;    // "HB612 - Slot 1"
    std::string frameName;  // "Frame1"
    std::string moduleFile; // ModuleFile(i)
    int parameterCount = 0; // ParamCount(i)
    int firstRow = 1;       // row number of its first parameter
    int scrollPosition = 0; // last scroll bar value on this tab
    [[nodiscard]] int tag() const { return parameterCount * editor_layout::RowPitch; }
};

// The parameter editor's data and behaviour, without a window: the tabs, the rows numbered from 1
// across all slots, the scroll state and the commands of the editor window. The window shows
// what this holds and passes the user's actions in.
class ParameterEditor
{
public:
    enum class LoadResult
    {
        Loaded,     // the EDS was read
        NoEds,      // there is no current EDS; the empty rows stand
        Unreadable, // the EDS could not be read (reported)
        Refused,    // the station has too many parameters (reported); nothing can be edited
    };

    // Form_Load: builds the tabs and rows from the slots the main window handed over, reads the
    // parameters' names and limits from the current EDS and, for an EDS loaded by "Load existing
    // EDS", sets the defaults and reads the current values. A slot whose parameter count in the
    // EDS differs from its module's is shown all the same, with a notice naming both counts; an
    // entry lacking one of its lines is named in a notice, and one without its value line keeps
    // the row's value, which is not saved.
    LoadResult Form_Load(Session& session, Dialogs& dialogs);

    // Command1 "Set Default Values": unless the main window asked to skip it, asks first; then
    // loads every parameter's default and choices from the modules' resource files. A resource
    // file that cannot be read or used is reported by name and its slot keeps its values. False
    // when declined or not available.
    bool Command1_Click(Session& session, Dialogs& dialogs);

    enum class SaveResult
    {
        Saved,
        Cancelled,
        Unreadable,  // the chosen file could not be read: nothing written
        WriteFailed, // the file is unchanged
        NotAvailable,
        TooManyValues, // more default values than the editor has rows: nothing written (reported)
    };

    // Command3 "Save EDS File": asks for the file, then rewrites it in place with the current
    // values as the parameters' defaults and a new modification date, time and file name. Ends
    // quietly, leaving the file as it was, when the file is not there; a file that cannot be
    // read (a folder, beyond the bounds of an EDS file) or written (read-only, a full disk) is
    // left as it was and the message names it and the reason.
    SaveResult Command3_Click(Session& session, Dialogs& dialogs);

    // The rewrite of Command3 with the EDS text given: writes `edsText`, updated, to `path` in
    // one piece and enables the main window's export and show commands. A text with more values
    // than the editor has rows is reported and nothing is written. When the file cannot be
    // written, `whyNot` (when given) receives the reason in words.
    SaveResult saveEds(Session& session, Dialogs& dialogs, const std::string& edsText,
                       const std::string& path, std::string* whyNot = nullptr);

    // The text saveEds writes, without writing it: `edsText` with the current values as the
    // defaults and `path` as its file name. nullopt when nothing can be edited.
    [[nodiscard]] std::optional<std::string>
    savedText(const Session& session, const std::string& edsText, const std::string& path) const;

    // Command2 "Exit Parameter Setting": hides the window; everything in it stays.
    static void Command2_Click(Session& session);
    // The close box: the window is discarded, the next opening builds it afresh.
    static void Form_Unload(Session& session);

    // A tab was clicked: the frame of `slot` (1..) is shown and the scroll bar set up for it.
    void TabStrip1_Click(int slot);
    // Shows the scroll bar when the slot's rows are taller than `frameHeight` (twips), with the
    // maximum (rows' height - frame height) / 400 + 1 rounded half to even and the slot's last
    // position as its value; hides it otherwise.
    void SetupScrollBar(int slot, int frameHeight = editor_layout::SlotFrame.height);
    // The scroll bar moved: the shown slot's rows move up by `value` rows.
    void ScrollRows(int value);

    // The Value box of row `row` (1..) changed its text by typing.
    void Combo0_Change(int row, const std::string& text);
    // A choice was picked in row `row`: its value is taken without a check.
    void Combo0_Click(int row, const std::string& text);

    enum class EntryCheck
    {
        NotEdited,
        Accepted,
        OutOfBounds, // reported; the row went back to its default
    };
    // Row `row`'s Value box lost the focus: a typed entry is checked against the row's limits.
    EntryCheck Combo0_LostFocus(int row, Dialogs& dialogs);

    // What the window shows.
    [[nodiscard]] const std::vector<EditorSlot>& slots() const { return m_slots; }
    [[nodiscard]] int rowCount() const { return static_cast<int>(m_rows.size()); }
    [[nodiscard]] const ParameterRow& row(int k) const
    {
        return m_rows.at(static_cast<std::size_t>(k - 1));
    }
    [[nodiscard]] int selectedSlot() const { return m_selectedSlot; }
    [[nodiscard]] bool scrollBarVisible() const { return m_scrollVisible; }
    [[nodiscard]] int scrollMaximum() const { return m_scrollMaximum; }
    [[nodiscard]] int scrollValue() const { return m_scrollValue; }
    [[nodiscard]] bool ValueEdited() const { return m_valueEdited; }
    [[nodiscard]] bool canEdit() const { return !m_refused; }
    // Row `k`'s top within its frame in twips, as its slot's scroll position moves it.
    [[nodiscard]] int rowTop(int k) const;
    // The row number of parameter `param` (1..) of slot `slot` (1..), or 0.
    [[nodiscard]] int rowOf(int slot, int param) const;

private:
    ParameterRow& rowAt(int k) { return m_rows.at(static_cast<std::size_t>(k - 1)); }
    EditorSlot* slotAt(int slot);
    void loadResourceDefaults(Session& session, Dialogs& dialogs);
    void readNamesAndLimits(const std::vector<std::string>& lines, Dialogs& dialogs);
    void readCurrentValues(const std::vector<std::string>& lines, Dialogs& dialogs);
    [[nodiscard]] PerSlot<std::optional<std::int32_t>> valuesToSave() const;

    std::vector<EditorSlot> m_slots;
    std::vector<ParameterRow> m_rows; // row k is m_rows[k - 1]
    int m_selectedSlot = 0;
    bool m_scrollVisible = false;
    int m_scrollMaximum = 0;
    int m_scrollValue = 0;
    bool m_valueEdited = false;
    bool m_refused = false;
};

} // namespace quillon
