#include "app/appresources.h"
#include "app/printoutdlg.h"

#include <string>
#include <vector>

#include "app/appids.h"
#include "app/imagevectordlg.h"
#include "app/propertyframe.h"
#include "app/viewcmd_transform.h"
#include "framework/bars.h"
#include "framework/controls.h"
#include "framework/fwdefs.h"
#include "framework/menu.h"
#include "framework/resources.h"
#include "model/guidelinepage.h"
#include "text/createcftdlg.h"
#include "text/fontdlgs.h"
#include "text/libbrowser.h"
#include "text/libcatalogdlg.h"
#include "text/libconvertdlg.h"
#include "text/libmanagerdlg.h"
#include "text/replacefontsdlg.h"
#include "text/sealdlg.h"

namespace appres {
namespace {

using fw::ACCEL;
using fw::CtrlKind;
using fw::DialogTemplate;
using fw::DlgItemDef;
using fw::MenuItemDef;
using fw::ToolBarDef;

constexpr fw::UINT SEP = fw::MF_SEPARATOR;

MenuItemDef Sep() { return MenuItemDef("", 0, SEP); }

std::vector<MenuItemDef> FilePopup(bool design) {
  std::vector<MenuItemDef> items = {
      {"New(&N)\tCtrl+N", 57600},
      {"Open(&O)...\tCtrl+O", 57601},
  };
  if (design) {
    items.push_back({"Close(&C)", 57602});
    items.push_back({"Save(&S)\tCtrl+S", 57603});
    items.push_back({"Save As(&A)...", 57604});
    items.push_back(Sep());
    items.push_back({"Import(&I)...", 40017});
    items.push_back({"Export...", 40020});
    items.push_back(Sep());
    items.push_back({"Print(&P)...\tCtrl+P", 57607});
    items.push_back({"Print Preview(&V)", 57609});
  }
  items.push_back({"Print Setup(&R)...", 57606});
  items.push_back(Sep());
  items.push_back({"Recent File", 57616, fw::MF_GRAYED});
  items.push_back(Sep());
  items.push_back({"Exit(&X)", 57665});
  return items;
}

std::vector<MenuItemDef> HelpPopup() {
  return {{"Help Topic(&H)", appid::ID_HELP_TOPIC}, Sep(), {"About Tindrel(&A)...", appid::ID_APP_ABOUT}};
}

std::vector<MenuItemDef> SystemPopup() {
  return {
      {"P&alette...", 40058},
      {"Show QW(CHN)(&Q)", appid::ID_SHOW_QUWEI},
      {"Text Editor(&E)", appid::ID_TEXT_EDITOR},
      {"Show Property(&P)\t[Alt+DoubleClick]", appid::ID_SHOW_PROPERTY},
      Sep(),
      {"Reference Line\t[Z]", 32813},
      {"Border\t[X]", 32814},
      {"Grid\t[ScrollLock]", 32815},
      Sep(),
      {"Scan...(&R)", 40161},
      {"Reserve",
       std::vector<MenuItemDef>{{"&1 New WinFonts", appid::ID_NEW_WINFONTS},
                                {"&2 Lib Convert 5.x->6.x", appid::ID_LIB_CONVERT},
                                {"&4 Lib TypeSet\t[Ctrl+K]", 40171}}},
      {"Graphic Manager...(&T)", 40150},
      {"Code Page",
       std::vector<MenuItemDef>{{"CHN BIG (B)", 32864}, {"CHN GB (G)", 32863}, {"Korea (&K)", 32865}, {"Russia(R)", 32878}}},
      Sep(),
      {"&PageSet\t[F10]", 40061},
      {"Pa&thSet...", 40059},
  };
}

void RegisterMenus() {
  // The main window without a design window.
  fw::res::SetMenu(appid::IDR_MAINFRAME, {
                                             {"&File", FilePopup(false)},
                                             {"&View",
                                              std::vector<MenuItemDef>{{"Toolbar(&T)", fw::ID_VIEW_TOOLBAR},
                                                                       {"Status Bar(&S)", fw::ID_VIEW_STATUS_BAR}}},
                                             {"&System", std::vector<MenuItemDef>{
                                                             {"Show QW(CHN)(&Q)", appid::ID_SHOW_QUWEI},
                                                             {"Text Editor(&E)", appid::ID_TEXT_EDITOR},
                                                             {"Show Property(&P)\t[Alt+DoubleClick]",
                                                              appid::ID_SHOW_PROPERTY}}},
                                             {"&Help", HelpPopup()},
                                         });

  // The design window: "&Distortion" at 4 with "T&ransform..." at its 4,
  // "&System" at 7 with "Reserve" at its 10.
  fw::res::SetMenu(
      appid::IDR_DESIGN,
      {
          {"&File", FilePopup(true)},
          {"&Edit", std::vector<MenuItemDef>{{"Undo(&U)\tCtrl+Z", 57643},
                                             {"Redo(&R)", 57644},
                                             Sep(),
                                             {"Cut(&T)\tCtrl+X", 57635},
                                             {"Copy(&C)\tCtrl+C", 57634},
                                             {"Paste(&P)\tCtrl+V", 57637},
                                             {"Delete(&D)\t[Del]", 57632},
                                             Sep(),
                                             {"Select ALL(&A)\t[Ctrl+A]", 32784},
                                             {"&Indent\t[Ctrl+Z]", 40174},
                                             {"&UnIndent\t[Ctrl+X]", 40175}}},
          {"&View", std::vector<MenuItemDef>{{"Redraw(&R)\t[Ctrl+R]", 40031},
                                             {"&O Zoom In\t[F2]", 40112},
                                             {"&N Zoom Out\t[F3]", 40113},
                                             {"&P Zoom Normal\t[F4]", 40110},
                                             {"&A Fitin Window\t[Ctrl+S]", 40111},
                                             {"Zoom In at Pointer", 49008},
                                             {"Zoom Out at Pointer", 49007},
                                             Sep(),
                                             {"Toolbar(&T)", fw::ID_VIEW_TOOLBAR},
                                             {"Status Bar(&S)", fw::ID_VIEW_STATUS_BAR},
                                             {"Textbar(&G)", 32889},
                                             {"Show/Hide Palette", 32772}}},
          {"&Tools", std::vector<MenuItemDef>{{"Select(&H)", appid::ID_TOOL_SELECT},
                                              {"Text(&E)", appid::ID_TOOL_TEXT},
                                              {"Graphic Lib(&L)", appid::ID_TOOL_GRAPHLIB},
                                              {"Node Choose", appid::ID_TOOL_NODE},
                                              {"Move a Contour[CTRL]", 32862},
                                              {"Node Insert[Double Click]", 40119},
                                              {"Delete Selection Nodes[SHIFT+RMouse]", 40120},
                                              {"Break a Nodes[Double Click]", 40121},
                                              {"Node Link", 40122},
                                              {"Convert to Curve[Space]", 40141},
                                              {"Convert to Line[Space]", 40142},
                                              {"Delete a Contour[d]", 40165},
                                              {"Replace Countour With a Cirlce[C]", 40166},
                                              {"Replace Countour With a Rectangle[C]", 40167},
                                              {"Replace serial Nodes with a Curve[h]", 40168},
                                              Sep(),
                                              {"&Line", 40093},
                                              {"&Polyline", 40099},
                                              {"Polygo&n", 40095},
                                              {"&Rectangle", 40096},
                                              {"&Circle", 40097},
                                              {"Bezier", 40103},
                                              {"RightPolygon", 40104},
                                              {"RightPolygonSet...", 40105},
                                              {"Table...", 40107},
                                              {"Get Image...(&G)", 40021},
                                              Sep(),
                                              {"Measure(&M)\tF12", 32841},
                                              {"OutRect...\t[F9]", 40106},
                                              {"Card Dup...(R)\tShift+[F7]", 32871},
                                              Sep(),
                                              {"FontSet...\t[Ctrl+F]", appid::ID_FONT_SET},
                                              {"BaseLineSet...(&S)", appid::ID_BASELINE_SET},
                                              {"&AbsSize", 40052},
                                              {"A&verSize", 40053},
                                              {"&NormalSize", 40176},
                                              {"Half Width CHS Symbol(&H)", 40114},
                                              Sep(),
                                              {"Text Arrange", std::vector<MenuItemDef>{{"&Arc", 40040},
                                                                                        {"&Left->Right", 40087},
                                                                                        {"&Right->Left", 32805},
                                                                                        {"&Top->Down", 40089},
                                                                                        {"&Top->Down2", 40088},
                                                                                        Sep(),
                                                                                        {"&Fill Line", 40091},
                                                                                        {"&Just Left", 40092},
                                                                                        {"&With Line", 40041}}}}},
          {"&Distortion", std::vector<MenuItemDef>{{"&Weld", 32830},
                                                   {"&Cut", 32831},
                                                   {"&And", 32832},
                                                   {"&Xor", 32833},
                                                   {"T&ransform...", appid::ID_TRANSFORM},
                                                   {"&Expand...\t[Ctrl+E]", 40153},
                                                   {"&UnTransform", 60100},
                                                   Sep(),
                                                   {"&LineCut", 32834},
                                                   {"&Reference Cut", 32887},
                                                   {"&GlyphCut", 32866},
                                                   {"&ParallelLineCut...", 32835},
                                                   {"&RadiationCut...", 32836},
                                                   {"CircleCut...", 32837}}},
          {"&Arrange", std::vector<MenuItemDef>{{"Group(&G)\t[Ctrl+G]", 40036},
                                                {"Ungroup(&U)\t[Ctrl+Shift+G]", 40037},
                                                {"Combin(&S)\t[Ctrl+I]", 40038},
                                                {"Separat(&C)\t[Ctrl+Shift+I]", 40039},
                                                {"&CombinToGlyph\t[CTRL+Q]", 40079},
                                                {"&ToGlyph", 40169},
                                                Sep(),
                                                {"Left\t[Ctrl+Left]", 40080},
                                                {"Right\t[Ctrl+Right]", 40081},
                                                {"Top\t[Ctrl+Top]", 40082},
                                                {"Bottom\t[Ctrl+Bottom]", 40083},
                                                {"Horz Center\t[Ctrl+End]", 40084},
                                                {"Vert Center\t[Ctrl+PgDn]", 40085},
                                                {"Center\t[Ctrl+5]", 40086},
                                                Sep(),
                                                {"Turn &Back\t[Ctrl+B]", 40044},
                                                {"Turn &Prev[Ctrl+P]", 40043},
                                                Sep(),
                                                {"Horz Autospace", 32852},
                                                {"Vert Autospace", 32853},
                                                {"&Vault", 32854},
                                                {"WordWeld(&W)", 32886},
                                                {"Add to Graphic Lib", 32870},
                                                Sep(),
                                                {"&Rotate...", 40046},
                                                {"Un&Rotate(&C)", 40049},
                                                {"&Mirror...", 40108},
                                                {"&Italic...", 40047},
                                                {"&Scale...\t[F8]", 40050},
                                                {"Muti Dup...(&M)\t[F7]", 40045},
                                                {"Coordinate...(&O)\t[F5]", 32820},
                                                {"Page Align",
                                                 std::vector<MenuItemDef>{{"Center\t[CTRL+ENTER]", 40115},
                                                                          {"Left(&L)", 32872},
                                                                          {"Right(&R)", 32873},
                                                                          {"Top(&T)", 32874},
                                                                          {"Bottom(&B)", 32875},
                                                                          {"Horz Center(&E)", 32876},
                                                                          {"Vert Center(&F)", 32877}}},
                                                {"Auto FillLine(&F)", 40090},
                                                Sep(),
                                                {"Fill Mode(&F)", 40032},
                                                {"Outline Mode(&C)", 32827}}},
          {"&Output", std::vector<MenuItemDef>{{"Cut Out(&D)...", appid::ID_CUT_OUT},
                                               {"Carve Out(&F)...", appid::ID_CARVE_OUT},
                                               {"Cutout", 32789},
                                               {"New Stamp(&N)", 32893},
                                               {"Set Outable Area", appid::ID_SET_OUTAREA},
                                               {"Select an Outarea", appid::ID_SELECT_OUTAREA},
                                               {"Clear Outable Area", 32791},
                                               Sep(),
                                               {"Image Vector...(&V)", 40022},
                                               {"Gray Image Vector...(&B)", 32787},
                                               {"Scan...(&R)", appid::ID_SCAN},
                                               {"Screen Image Vector(&S)", 40164},
                                               {"Graph Vector Set...(&V)", 40062},
                                               {"VS (&N)", 40149},
                                               {"Set Out Area (&R)", 32892}}},
          {"&System", SystemPopup()},
          {"&Window", std::vector<MenuItemDef>{{"Cascade(&C)", fw::ID_WINDOW_CASCADE},
                                               {"Tile(&T)", fw::ID_WINDOW_TILE_HORZ}}},
          {"&Help", HelpPopup()},
      });
}

void RegisterAccelerators() {
  using fw::FCONTROL;
  using fw::FSHIFT;
  using fw::FVIRTKEY;
  const std::vector<ACCEL> common = {
      {FVIRTKEY | FCONTROL, 'N', 57600},
      {FVIRTKEY | FCONTROL, 'O', 57601},
      {FVIRTKEY, fw::WORD(fw::VK_F1), fw::WORD(fw::ID_HELP)},
  };
  fw::res::SetAccelerators(appid::IDR_MAINFRAME, common);
  std::vector<ACCEL> design = common;
  const std::vector<ACCEL> more = {
      {FVIRTKEY | FCONTROL, 'S', 57603},
      {FVIRTKEY | FCONTROL, 'P', 57607},
      {FVIRTKEY | FCONTROL, 'Z', 57643},
      {FVIRTKEY | FCONTROL, 'X', 57635},
      {FVIRTKEY | FCONTROL, 'C', 57634},
      {FVIRTKEY | FCONTROL, 'V', 57637},
      {FVIRTKEY | FCONTROL, 'F', fw::WORD(appid::ID_FONT_SET)},
      {FVIRTKEY | FCONTROL, 'K', 40171},
      {FVIRTKEY | FCONTROL, 'G', 40036},
      {FVIRTKEY | FCONTROL | FSHIFT, 'G', 40037},
      {FVIRTKEY | FCONTROL, 'I', 40038},
      {FVIRTKEY | FCONTROL | FSHIFT, 'I', 40039},
      {FVIRTKEY | FCONTROL, 'Q', 40079},
      {FVIRTKEY | FCONTROL, 'B', 40044},
      {FVIRTKEY | FCONTROL, 'A', 32784},
      {FVIRTKEY | FCONTROL, '5', 40086},
      {FVIRTKEY, fw::WORD(fw::VK_DELETE), 57632},
      {FVIRTKEY, fw::WORD(fw::VK_F2), 40112},
      {FVIRTKEY, fw::WORD(fw::VK_F3), 40113},
      {FVIRTKEY | FCONTROL, 'R', 40031},
      {FVIRTKEY, fw::WORD(0x73), 40110},  // F4
      {FVIRTKEY, fw::WORD(fw::VK_F9), 40106},
      {FVIRTKEY, fw::WORD(fw::VK_F12), 32841},
      {FVIRTKEY | FCONTROL, 'E', 40153},
      {FVIRTKEY, fw::WORD(fw::VK_F7), 40045},
      {FVIRTKEY, fw::WORD(fw::VK_F1 + 7), 40050},  // F8
      {FVIRTKEY, fw::WORD(fw::VK_F10), 40061},
      {FVIRTKEY, fw::WORD(fw::VK_F5), 32820},
      {FVIRTKEY | FCONTROL, fw::WORD(fw::VK_RETURN), 40115},
      {FVIRTKEY | fw::FSHIFT, fw::WORD(fw::VK_F7), 32871},
  };
  design.insert(design.end(), more.begin(), more.end());
  fw::res::SetAccelerators(appid::IDR_DESIGN, design);
}

void RegisterStrings() {
  fw::res::SetString(appid::IDR_MAINFRAME, "Tindrel");
  fw::res::SetString(appid::IDR_DESIGN,
                     "\nTindrel\nTindrel\nTindrel Files (*.t98)\n.t98\nTindrel.Document\nTindrel Document");
  fw::res::SetString(appid::IDS_MOUSE, "Mouse");
  fw::res::SetString(appid::IDS_WIDTH, "Width");
  fw::res::SetString(appid::IDS_HEIGHT, "Height");
  fw::res::SetString(appid::IDS_TYPE, "Type");
  static const char* const kLoadSteps[] = {
      "Opening the file...",        "Checking the file header...", "Checking the file version...",
      "Reading the directory...",   "Checking the page record...", "Checking the font table...",
      "Reading the page record...", "Looking for the text...",     "Reading the text...",
      "Looking for the objects...", "Reading the objects...",      "Looking for the guide lines...",
      "Reading the guide lines...", "Reading the font table...",   "Document loaded.",
  };
  for (std::uint32_t i = 0; i <= appid::IDS_LOAD_LAST - appid::IDS_LOAD_FIRST; ++i)
    fw::res::SetString(appid::IDS_LOAD_FIRST + i, kLoadSteps[i]);
  fw::res::SetString(appid::IDS_IMPORTING, "File Importing...");
  fw::res::SetString(appid::IDS_EXPORT, "Export");
  // Tool tips and status prompts: "prompt\ntip".
  static const std::pair<std::uint32_t, const char*> kPrompts[] = {
      {57600, "Create a new design\nNew"},
      {57601, "Open a design\nOpen"},
      {57603, "Save the design\nSave"},
      {57607, "Print the design\nPrint"},
      {57635, "Cut the selection\nCut"},
      {57634, "Copy the selection\nCopy"},
      {57637, "Paste\nPaste"},
      {57643, "Undo the last step\nUndo"},
      {57664, "Program information\nAbout"},
      {appid::ID_CUT_OUT, "Cut the design out\nCut Out"},
      {appid::ID_CARVE_OUT, "Engrave the design\nCarve Out"},
      {appid::ID_TOOL_SELECT, "Select objects\nSelect"},
      {appid::ID_TOOL_TEXT, "Type and edit text\nText"},
      {appid::ID_TOOL_GRAPHLIB, "Take a picture from a graphic library\nGraphic Lib"},
      {appid::ID_TOOL_NODE, "Edit the nodes of a path\nNode Choose"},
      {appid::ID_TRANSFORM, "Transform the selection\nTransform"},
  };
  for (const auto& [id, text] : kPrompts) fw::res::SetString(id, text);
}

// Tool bars: the button lists and their image strips (bin/res/<name>.bmp,
// 16 x 15 pixels an image, in the order of the buttons that are no separator).
void Bar(std::uint32_t id, std::vector<fw::UINT> ids, const char* strip) {
  ToolBarDef def;
  def.ids = std::move(ids);
  fw::res::SetToolBar(id, std::move(def));
  fw::res::SetBitmap(id, std::string("res/") + strip);
}

void RegisterToolBars() {
  Bar(appid::IDT_MAIN,
      {57600, 57601, 57603, 0, 57635, 57634, 57637, 0, 57643, 0, 57607, 0, appid::ID_CUT_OUT, 0, 40112, 40113, 0,
       57664},
      "main.bmp");
  Bar(appid::IDT_SECOND, {40080, 40081, 40082, 40083, 40084, 40085, 0, 40046, 32820, 0, appid::ID_TRANSFORM},
      "second.bmp");
  Bar(appid::IDT_CONTEXT_SELECT,
      {appid::ID_TOOL_SELECT, appid::ID_TOOL_TEXT, appid::ID_TOOL_GRAPHLIB, appid::ID_TOOL_NODE, 40093, 40096, 40097,
       40095, 40099, 40103, 40104, 40107, 40021, 32841},
      "context.bmp");
  Bar(appid::IDT_CONTEXT_NODE,
      {appid::ID_TOOL_SELECT, appid::ID_TOOL_NODE, 40119, 40120, 40141, 40142, 32855, 32862}, "node.bmp");
  Bar(appid::IDT_CONTEXT_OUTAREA, {appid::ID_TOOL_SELECT, appid::ID_SET_OUTAREA, appid::ID_SELECT_OUTAREA, 32791, 32789},
      "outarea.bmp");
  Bar(appid::IDT_MODE, {appid::ID_TOOL_TEXT, appid::ID_TOOL_GRAPHLIB}, "mode.bmp");
  Bar(appid::IDT_MODE_TEXT, {40051, 0, appid::ID_TOOL_TEXT, appid::ID_TOOL_GRAPHLIB}, "modetext.bmp");
  Bar(appid::IDT_MODE_LIB, {32809, 0, appid::ID_TOOL_TEXT, appid::ID_TOOL_GRAPHLIB, 40079}, "modelib.bmp");
}

void RegisterDialogs() {
  using fw::WS_CHILD;
  using fw::WS_VISIBLE;
  constexpr fw::DWORD kPopup = fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU;
  constexpr fw::DWORD kChild = WS_CHILD | WS_VISIBLE;
  fw::res::SetDialog(appid::IDD_ABOUT,
                     DialogTemplate{"About Tindrel V6.0",
                                    kPopup,
                                    {0, 0, 300, 130},
                                    {
                                        DlgItemDef(1180, CtrlKind::Static, "", kChild, {12, 12, 76, 76}),
                                        DlgItemDef(1181, CtrlKind::Static, "Tindrel V6.0", kChild, {90, 16, 290, 32}),
                                        DlgItemDef(1182, CtrlKind::Static, "Sign design and cutting", kChild,
                                                   {90, 40, 290, 56}),
                                        DlgItemDef(fw::IDOK, CtrlKind::Button, "OK",
                                                   kChild | fw::WS_TABSTOP | fw::BS_DEFPUSHBUTTON, {210, 95, 290, 120}),
                                    }});
  fw::res::SetDialog(appid::IDD_PALETTE_BAR,
                     DialogTemplate{"",
                                    WS_CHILD,
                                    {0, 0, 60, 400},
                                    {
                                        DlgItemDef(appid::IDC_COLOR_BUTTON, CtrlKind::Button, "...", kChild,
                                                   {2, 2, 58, 16}),
                                        DlgItemDef(appid::IDC_COLOR_FRAME, CtrlKind::Static, "", kChild,
                                                   {0, 0, 55, 365}),
                                        DlgItemDef(appid::IDC_COLOR_LIST, CtrlKind::ListBox, "",
                                                   kChild | fw::WS_VSCROLL | fw::LBS_NOTIFY |
                                                       fw::LBS_OWNERDRAWFIXED | fw::LBS_HASSTRINGS,
                                                   {0, 18, 55, 347}),
                                    }});
  fw::res::SetDialog(appid::IDD_RULER_CORNER, DialogTemplate{"", WS_CHILD, {0, 0, 20, 20}, {}});
  fw::res::SetDialog(appid::IDD_RULER_HORZ, DialogTemplate{"", WS_CHILD, {0, 0, 200, 16}, {}});
  fw::res::SetDialog(appid::IDD_RULER_VERT, DialogTemplate{"", WS_CHILD, {0, 0, 16, 200}, {}});
  fw::res::SetDialog(appid::IDD_LOGO,
                     DialogTemplate{"",
                                    fw::WS_POPUP,
                                    {0, 0, 400, 240},
                                    {
                                        DlgItemDef(appid::IDC_LOGO_TEXT, CtrlKind::Static, "", kChild,
                                                   {10, 214, 390, 232}),
                                    }});
  // The screen grab covers the screen; it sizes itself.
  fw::res::SetDialog(appid::IDD_SCREEN_GRAB, DialogTemplate{"", fw::WS_POPUP, {0, 0, 640, 480}, {}});
  fw::res::SetDialog(appid::IDD_TEXT_EDITOR,
                     DialogTemplate{"Texteditor",
                                    kPopup | fw::WS_THICKFRAME,
                                    {0, 0, 500, 100},
                                    {
                                        DlgItemDef(appid::IDC_TEXT_EDITOR_EDIT, CtrlKind::Edit, "",
                                                   kChild | fw::WS_VSCROLL | fw::ES_MULTILINE, {0, 0, 500, 100}),
                                        DlgItemDef(fw::IDOK, CtrlKind::Button, "OK", WS_CHILD, {0, 0, 0, 0}),
                                        DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", WS_CHILD, {0, 0, 0, 0}),
                                    }});
  // 243 x 107 dialog units at two pixels a unit, the buttons a little wider for
  // their texts.
  constexpr fw::DWORD kButton = kChild | fw::WS_TABSTOP;
  fw::res::SetDialog(appid::IDD_SCAN,
                     DialogTemplate{"Scan",
                                    kPopup,
                                    {0, 0, 496, 214},
                                    {
                                        DlgItemDef(fw::IDOK, CtrlKind::Button, "Ok",
                                                   kButton | fw::BS_DEFPUSHBUTTON | fw::WS_DISABLED, {400, 6, 490, 34}),
                                        DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", kButton, {400, 40, 490, 68}),
                                        DlgItemDef(appid::IDC_SCAN_PREVIEW, CtrlKind::Static, "", kChild, {8, 6, 390, 204}),
                                        DlgItemDef(appid::ID_TWAIN_SELECT, CtrlKind::Button, "Select Twain",
                                                   kButton | fw::WS_DISABLED, {400, 98, 490, 126}),
                                        DlgItemDef(appid::ID_TWAIN_SCAN, CtrlKind::Button, "Scan", kButton | fw::WS_DISABLED,
                                                   {400, 132, 490, 160}),
                                        DlgItemDef(appid::IDC_SCAN_SAVE, CtrlKind::Button, "Save", kButton | fw::WS_DISABLED,
                                                   {400, 176, 490, 204}),
                                    }});
  CGuideLinePage::RegisterTemplate();
  printout::RegisterTemplate();
  RegisterImageVectorDialogs();
  transformdlg::RegisterResources();
}

void RegisterCursors() {
  for (std::uint32_t id : appid::kCursorIds) fw::res::SetCursor(id, "cursor" + std::to_string(id));
}

}  // namespace

void RegisterAppResources() {
  if (fw::res::FindMenu(appid::IDR_DESIGN)) return;
  RegisterMenus();
  RegisterAccelerators();
  RegisterStrings();
  RegisterToolBars();
  RegisterDialogs();
  RegisterTextDialogTemplates();
  RegisterCursors();
  RegisterSealResources();
  RegisterLibBrowserResources();
  RegisterLibConvertResources();
  RegisterCreateCftResources();
  RegisterLibManagerResources();
  RegisterLibCatalogResources();
  RegisterFontDialogResources();
  RegisterPropertyResources();
  fw::res::SetBitmap(appid::IDB_LOGO, "res/logo206.bmp");
}

}  // namespace appres
