// General helper routines: text fields and number lists, escape expansion for the
// device command templates, the program's folder, temporary file names, block
// copies, the parameter-error message box and the drag hand-over between windows.
// Text is stored text (GBK bytes) unless said otherwise.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dc.h"
#include "platform/font.h"
#include "platform/gmem.h"

// 1 + the number of separators; with a blank as separator a run of blanks counts
// once (a blank at index 0 always counts).
int CountFields(std::string_view text, char sep);

// Copies field n (0-based) into out (at most outSize - 1 bytes and a terminator)
// and returns 1; returns 0 with an empty out when the text has fewer fields.
int GetField(std::string_view text, int n, char* out, std::size_t outSize, char sep);
int GetField(std::string_view text, int n, std::string& out, char sep);

// The longest length (mm) a page can hold: settings and typed values beyond it,
// or not finite, are not taken.
constexpr double kMaxPageLength = 1.0e6;
// v is finite and within ±kMaxPageLength.
constexpr bool PageHolds(double v) { return v >= -kMaxPageLength && v <= kMaxPageLength; }
// Objects one command makes before it asks.
constexpr double kManyObjects = 10000;

// Field n of a comma-separated list of numbers (held to ±kMaxPageLength); an empty field repeats the one
// before it. Returns 1 and sets out, or 0: with out = 0 when the list is shorter,
// with out untouched when the text holds a character other than digits, '-', '.', ','.
int GetNumberField(std::string_view text, float& out, int n);

// The running value after n entries of a comma-separated list: an entry starting
// with '+' or '-' adds to it, an empty entry keeps it, any other entry sets it;
// past the last entry the last one repeats. 0 for n <= 0 or an empty list.
float GetListValue(std::string_view text, int n);

// a..z to A..Z in place; every other byte (double-byte text included) untouched.
void MakeUpperAscii(char* text);
void MakeUpperAscii(std::string& text);

// Copies text with its backslash escapes expanded: \xHH (hex byte), \\, \b (byte 7),
// \n, \r; a backslash before any other character gives a backslash and drops the
// character. Writes at most outSize - 1 bytes and a terminator; returns the bytes written.
std::size_t UnescapeString(std::string_view text, char* out, std::size_t outSize);
std::string UnescapeString(std::string_view text);

// The running program's folder with a trailing '/', and the folder above it.
std::string GetProgramFolder();
std::string GetProgramParentFolder();
// Buffer forms: copy at most outSize - 1 bytes; false (empty out) when it does not fit.
bool GetProgramFolder(char* out, std::size_t outSize);
bool GetProgramParentFolder(char* out, std::size_t outSize);

// Creates a new temporary file with the three-letter prefix in the user's private
// temporary folder and gives its path; returns the unique number, 0 on failure.
unsigned MakeTempFileName(const char* prefix, std::string& out);
unsigned MakeTempFileName(const char* prefix, char* out, std::size_t outSize);

// A new zero-filled movable block of the same size holding a copy; 0 for a block
// of size 0 or an unknown handle.
plat::HGLOBAL DuplicateGlobalBlock(plat::HGLOBAL h);

// Parameter-error box. kind 0x8001: caption "警告", information icon; 0x8002:
// "错误", stop icon; else no caption, no icon. Body: "  非法的 " for code1 0x4001,
// then "参数  " for code2 0x2001; a text (UTF-8) replaces the body by
// "     " + text + "     ". Returns the box's result.
constexpr unsigned PARAM_MSG_WARNING = 0x8001;
constexpr unsigned PARAM_MSG_ERROR = 0x8002;
constexpr unsigned PARAM_CODE_ILLEGAL = 0x4001;
constexpr unsigned PARAM_CODE_PARAMETER = 0x2001;
int ShowParamMessage(void* owner, unsigned kind, const char* text, unsigned code1, unsigned code2);

// The whole bitmap blitted at (x, y) in its own size / stretched into (x, y, w, h)
// through a compatible memory context, with a ternary raster operation. False
// when the bitmap cannot be selected (unknown, or selected into another context).
bool DrawBitmap(plat::HDC dc, plat::HBITMAP bitmap, plat::LONG x, plat::LONG y, plat::DWORD rop);
bool StretchDrawBitmap(plat::HDC dc, plat::HBITMAP bitmap, plat::LONG x, plat::LONG y, plat::LONG w, plat::LONG h, plat::DWORD rop);

// The font of vertical ruler labels: height -h, width -w, escapement -900 (text
// running downward), weight 700, the default character set, the face (GBK) or
// "Arial". The caller deletes it (plat::DeleteFont).
plat::Font* CreateVerticalFont(const char* face, plat::LONG w, plat::LONG h);

// Drag hand-over between windows: the window under the pointer is asked with
// command 49005 whether it takes the item, and the accepting window receives the
// drop command (49006). Windows, cursors and command messages come from a host
// that the framework installs (CDragDrop::SetHost); without a host nothing is
// under the pointer and no window answers.
constexpr unsigned ID_DRAG_QUERY = 49005;
constexpr unsigned ID_DRAG_DROP = 49006;

class CDragDrop {
 public:
  using Window = void*;
  using Cursor = std::uint32_t;  // cursor id, as the framework names cursors

  class Host {
   public:
    virtual ~Host() = default;
    virtual Window WindowFromPoint(int x, int y) = 0;
    virtual Window MainWindow() = 0;
    // Sends WM_COMMAND with the id and the object's address; returns the answer.
    virtual std::intptr_t SendCommand(Window w, unsigned id, CDragDrop* drag) = 0;
    virtual void SetCursor(Cursor c) = 0;
  };
  static Host* SetHost(Host* host);  // returns the previous host
  static Host* GetHost();

  CDragDrop() = default;
  void Begin(Cursor accept, Cursor refuse);
  bool DragOver(int x, int y);
  void Drop(unsigned commandId);
  void End();

  Cursor m_hAcceptCursor = 0;
  Cursor m_hRefuseCursor = 0;
  bool m_bActive = false;
  std::int32_t m_x = 0;
  std::int32_t m_y = 0;
  bool m_bAccepted = false;
  Window m_pTarget = nullptr;
  Window m_pFallback = nullptr;
};

extern CDragDrop g_DragDrop;
