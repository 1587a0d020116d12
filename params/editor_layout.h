#pragma once

namespace quillon::editor_layout {

// The parameter editor's geometry in twips (1440 to the inch). The window converts it to pixels;
// the model needs the slot frames' height to know when a slot's rows do not fit.

struct TwipRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

constexpr int FormWidth = 13575;
constexpr int FormHeight = 10560;

constexpr TwipRect TabStrip1{120, 240, 12372, 9672};
constexpr TwipRect Text4{1200, 720, 2652, 288};
constexpr TwipRect Text5{4320, 720, 1812, 288};
constexpr TwipRect Text6{7200, 720, 1932, 288};
constexpr TwipRect Text7{9720, 720, 852, 288};
constexpr TwipRect Text8{10800, 720, 1092, 288};
constexpr TwipRect VScroll1{12240, 960, 255, 8892};
constexpr TwipRect Frame0{360, 960, 9492, 7872};
constexpr TwipRect Command1{360, 9960, 1575, 375};
constexpr TwipRect Command3{2160, 9960, 1455, 375};
constexpr TwipRect Command2{10800, 9960, 1335, 492};

// The tab strip's client area: inside its border (30) and below its row of tabs (330).
constexpr int TabBorder = 30;
constexpr int TabRowHeight = 330;
constexpr TwipRect TabClient{TabStrip1.left + TabBorder, TabStrip1.top + TabRowHeight + TabBorder,
                             TabStrip1.width - 2 * TabBorder,
                             TabStrip1.height - TabRowHeight - 2 * TabBorder};

// Each slot's frame lies over the client area, beside the scroll bar.
constexpr TwipRect SlotFrame{TabClient.left + 60, TabClient.top + 400,
                             TabClient.width - VScroll1.width - 120, TabClient.height - 550};

// One row per parameter, 400 high; element tops are j * 400 + 50 for the j-th row of a slot.
constexpr int RowPitch = 400;
constexpr int RowTopOffset = 50;

struct RowColumn
{
    int left;
    int width;
    int height; // 0: the control's own height
};
constexpr RowColumn Label0{100, 800, 195};
constexpr RowColumn Text0{1000, 3035, 315};
constexpr RowColumn Combo0{4035, 3000, 0};
constexpr RowColumn Text1{7035, 2500, 315};
constexpr RowColumn Text2{9535, 1000, 315};
constexpr RowColumn Text3{10535, 1000, 315};

} // namespace quillon::editor_layout
