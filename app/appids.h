// Resource and command ids of the design application.
#pragma once
#include <cstdint>

namespace appid {

// Frames, document template, dialogs.
constexpr std::uint32_t IDR_MAINFRAME = 128;
constexpr std::uint32_t IDR_DESIGN = 129;  // document template: menu, accelerators, string
constexpr std::uint32_t IDD_ABOUT = 100;
constexpr std::uint32_t IDD_PALETTE_BAR = 176;
constexpr std::uint32_t IDD_RULER_HORZ = 130;
constexpr std::uint32_t IDD_RULER_VERT = 131;
constexpr std::uint32_t IDD_RULER_CORNER = 203;
constexpr std::uint32_t IDD_LOGO = 207;
constexpr std::uint32_t IDD_QUWEI = 211;
constexpr std::uint32_t IDD_TEXT_EDITOR = 223;
constexpr std::uint32_t IDD_SCREEN_GRAB = 226;
constexpr std::uint32_t IDD_CREATE_CFT = 269;
constexpr std::uint32_t IDC_LOGO_TEXT = 1184;
constexpr std::uint32_t IDC_TEXT_EDITOR_EDIT = 1397;
constexpr std::uint32_t IDC_COLOR_LIST = 1226;
constexpr std::uint32_t IDC_COLOR_BUTTON = 1134;
constexpr std::uint32_t IDC_COLOR_FRAME = 1113;
constexpr std::uint32_t IDB_LOGO = 206;

// The scan dialog and its command.
constexpr std::uint32_t IDD_SCAN = 222;
constexpr std::uint32_t IDC_SCAN_PREVIEW = 1158;
constexpr std::uint32_t IDC_SCAN_SAVE = 1394;
constexpr std::uint32_t ID_TWAIN_SCAN = 40159;    // "Scan" (dialog button)
constexpr std::uint32_t ID_TWAIN_SELECT = 40160;  // "Select Twain" (dialog button)
constexpr std::uint32_t ID_SCAN = 40161;          // "Scan...(&R)"

// Tool bars.
constexpr std::uint32_t IDT_CONTEXT_SELECT = 128;
constexpr std::uint32_t IDT_MAIN = 132;
constexpr std::uint32_t IDT_SECOND = 136;
constexpr std::uint32_t IDT_MODE_TEXT = 151;
constexpr std::uint32_t IDT_MODE = 158;
constexpr std::uint32_t IDT_CONTEXT_NODE = 192;
constexpr std::uint32_t IDT_CONTEXT_OUTAREA = 200;
constexpr std::uint32_t IDT_MODE_LIB = 221;

// Strings.
constexpr std::uint32_t IDS_MOUSE = 104;
constexpr std::uint32_t IDS_WIDTH = 105;
constexpr std::uint32_t IDS_HEIGHT = 106;
constexpr std::uint32_t IDS_TYPE = 107;
constexpr std::uint32_t IDS_LOAD_FIRST = 108;  // 108..122: the open's steps
constexpr std::uint32_t IDS_LOAD_LAST = 122;
constexpr std::uint32_t IDS_IMPORTING = 123;
constexpr std::uint32_t IDS_EXPORT = 124;

// Private status commands of the main frame.
constexpr std::uint32_t ID_STATUS_MOUSE = 32838;
constexpr std::uint32_t ID_STATUS_SIZE = 32839;
constexpr std::uint32_t ID_STATUS_TYPE = 32840;
constexpr std::uint32_t ID_STATUS_MEASURE = 32842;
constexpr std::uint32_t ID_VIEW_ACTIVE = 32843;
constexpr std::uint32_t ID_STATUS_TEXT = 32850;
constexpr std::uint32_t ID_STATUS_STRING = 32851;

// Frame and application commands.
constexpr std::uint32_t ID_SHOW_QUWEI = 40066;
constexpr std::uint32_t ID_TEXT_EDITOR = 40067;
constexpr std::uint32_t ID_FILE_IMPORT = 40017;
constexpr std::uint32_t ID_SHOW_PROPERTY = 32807;
constexpr std::uint32_t ID_REFRESH_PROPERTY = 32819;
constexpr std::uint32_t ID_NEW_WINFONTS = 40072;
constexpr std::uint32_t ID_LIB_CONVERT = 32869;
constexpr std::uint32_t ID_FONT_SET = 40051;
constexpr std::uint32_t ID_BASELINE_SET = 40054;
constexpr std::uint32_t ID_DOC_CLOSED = 49003;  // with lParam 0
constexpr std::uint32_t ID_COLOR_PICK = 49003;  // lParam: packed colour
constexpr std::uint32_t ID_TRANSFORM = 60000;  // 60001.. the library's transforms
constexpr std::uint32_t ID_UNTRANSFORM = 60100;
constexpr std::uint32_t ID_HELP_TOPIC = 57667;
constexpr std::uint32_t ID_APP_ABOUT = 57664;

// Tools.
constexpr std::uint32_t ID_TOOL_SELECT = 40070;
constexpr std::uint32_t ID_TOOL_TEXT = 40071;
constexpr std::uint32_t ID_TOOL_GRAPHLIB = 40075;
constexpr std::uint32_t ID_TOOL_NODE = 40118;
constexpr std::uint32_t ID_CUT_OUT = 40024;
constexpr std::uint32_t ID_CARVE_OUT = 32888;
constexpr std::uint32_t ID_SET_OUTAREA = 32792;
constexpr std::uint32_t ID_SELECT_OUTAREA = 32794;

// Bars of ShowControlBars.
constexpr std::uint16_t BAR_MAIN = 1;
constexpr std::uint16_t BAR_CONTEXT = 4;
constexpr std::uint16_t BAR_PALETTE = 8;
constexpr std::uint16_t BAR_SECOND = 16;

// Cursor resources the main frame loads, in its order.
constexpr std::uint32_t kCursorIds[29] = {146, 158, 153, 156, 154, 163, 162, 184, 129, 148,
                                          202, 149, 187, 189, 188, 198, 199, 195, 196, 272,
                                          197, 262, 164, 217, 1178, 1179, 1146, 263, 266};

}  // namespace appid
