#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillon {

// 10 rows by 6 columns of cell texts, row 0 the header: the main window's `grid` and the
// I/O map window's `grid2`.
using IoGrid = std::array<std::array<std::string, 6>, 10>;

struct ControlState
{
    bool enabled = true;
    bool visible = true;
};

// The file name and title a file dialog proposes next time it opens.
struct FileDialogState
{
    std::string title;
    std::string fileName;
    std::string filter;
};

// Colours as the main window has always stored them: &H00BBGGRR.
constexpr std::uint32_t WindowBackColour = 0x00CFE6E9;
constexpr std::uint32_t ChosenOptionColour = 0x0000FF00;
constexpr std::uint32_t HintBackColour = 0x00C0FFFF;
constexpr std::uint32_t HintTextColour = 0x000000C0;

// Everything the main window shows, as plain data. Operations change it; the window draws it
// after every operation. Controls and texts are keyed by the control names the window uses
// as object names ("Command7", "Text15", "m_shEDS", "Image2_3" for Image2(3)).
class ViewModel
{
public:
    void enable(const std::string& control, bool on) { m_controls[control].enabled = on; }
    void show(const std::string& control, bool on) { m_controls[control].visible = on; }
    [[nodiscard]] bool isEnabled(const std::string& control) const;
    [[nodiscard]] bool isVisible(const std::string& control) const;

    void setText(const std::string& control, std::string text)
    {
        m_texts[control] = std::move(text);
    }
    [[nodiscard]] const std::string& text(const std::string& control) const;

    [[nodiscard]] const std::map<std::string, ControlState>& controls() const { return m_controls; }
    [[nodiscard]] const std::map<std::string, std::string>& texts() const { return m_texts; }

    IoGrid grid;
    std::vector<std::string> catalogueNames; // List1

    // Full paths of the pictures at positions 0..7; "" shows an empty position.
    std::array<std::string, 8> slotPicture;
    std::array<bool, 8> slotBorder{};
    std::string previewPicture; // Image1(7)

    std::uint32_t option1BackColour = WindowBackColour;
    std::uint32_t option2BackColour = WindowBackColour;

    int progressValue = 0;
    bool progressVisible = false;

    FileDialogState edsdiag;
    FileDialogState newpro;

    // The I/O map window: open or not, and the snapshot it shows. Every ShowIoList opens a new
    // window, counted by mapListGeneration so a view knows to rebuild it.
    bool mapListOpen = false;
    int mapListGeneration = 0;
    IoGrid mapList;

    // The parameter editor window: whether it exists (loaded) and whether it is shown.
    bool editorExists = false;
    bool editorVisible = false;

    // The program is to end after this operation.
    bool quitRequested = false;

private:
    std::map<std::string, ControlState> m_controls;
    std::map<std::string, std::string> m_texts;
};

} // namespace quillon
