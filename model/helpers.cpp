#include "model/helpers.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/paths.h"
#include "platform/report.h"
#include "platform/tempfile.h"

namespace {

// The leading decimal number of a text as atof reads it; 0.0 when there is none.
double AtoF(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0.0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc()) return 0.0;
  return v;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool CopyOut(const std::string& s, char* out, std::size_t outSize) {
  if (!out || outSize == 0) return false;
  if (s.size() + 1 > outSize) {
    out[0] = '\0';
    return false;
  }
  std::memcpy(out, s.c_str(), s.size() + 1);
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

CDragDrop::Host* g_dragHost = nullptr;

}  // namespace

int CountFields(std::string_view text, char sep) {
  int count = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != sep) continue;
    if (sep == ' ' && i > 0 && text[i - 1] == ' ') continue;
    ++count;
  }
  return count;
}

int GetField(std::string_view text, int n, std::string& out, char sep) {
  out.clear();
  if (n < 0) return 0;
  int field = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    bool end = i == text.size();
    if (!end && text[i] != sep) continue;
    // A run of blanks separates once, as CountFields counts it.
    if (!end && sep == ' ' && i > 0 && text[i - 1] == ' ') {
      start = i + 1;
      continue;
    }
    if (field == n) {
      out.assign(text.substr(start, i - start));
      return 1;
    }
    ++field;
    start = i + 1;
  }
  return 0;
}

int GetField(std::string_view text, int n, char* out, std::size_t outSize, char sep) {
  std::string field;
  int r = GetField(text, n, field, sep);
  if (!out || outSize == 0) return r;
  std::size_t len = std::min(field.size(), outSize - 1);
  std::memcpy(out, field.data(), len);
  out[len] = '\0';
  return r;
}

int GetNumberField(std::string_view text, float& out, int n) {
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '-' || c == '.' || c == ',')) return 0;
  std::string number;
  int count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != ',') {
      number.push_back(c);
      continue;
    }
    if (count == n) break;
    bool repeat = i + 1 == text.size() || text[i + 1] == ',';
    if (!repeat) number.clear();
    ++count;
  }
  if (count == n) {
    out = float(std::clamp(AtoF(number), -kMaxPageLength, kMaxPageLength));
    return 1;
  }
  out = 0.0f;
  return 0;
}

float GetListValue(std::string_view text, int n) {
  if (n <= 0) return 0.0f;
  std::vector<std::string_view> entries;
  for (std::size_t start = 0;;) {
    std::size_t comma = text.find(',', start);
    entries.push_back(TrimBlanks(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  float value = 0.0f;
  for (int k = 0; k < n; ++k) {
    std::string_view e = entries[std::min<std::size_t>(std::size_t(k), entries.size() - 1)];
    if (e.empty()) continue;  // keeps the running value
    if (e.front() == '+' || e.front() == '-')
      value = float(double(value) + AtoF(e));
    else
      value = float(AtoF(e));
  }
  return value;
}

void MakeUpperAscii(char* text) {
  if (!text) return;
  for (; *text; ++text)
    if (*text >= 'a' && *text <= 'z') *text = char(*text - 'a' + 'A');
}

void MakeUpperAscii(std::string& text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
}

std::string UnescapeString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c != '\\') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;  // a lone backslash at the end is dropped
    char d = text[i + 1];
    if (d == 'x' || d == 'X') {
      if (i + 3 >= text.size()) break;  // fewer than two characters left: skipped
      // Converted as "0x%s": as many hex digits as there are, from the first.
      int hi = HexDigit(text[i + 2]);
      int lo = HexDigit(text[i + 3]);
      int v = hi < 0 ? 0 : (lo < 0 ? hi : hi * 16 + lo);
      out.push_back(char(v));
      i += 4;
      continue;
    }
    switch (d) {
      case '\\': out.push_back('\\'); break;
      case 'b': out.push_back('\x07'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      default: out.push_back('\\'); break;
    }
    i += 2;
  }
  return out;
}

std::size_t UnescapeString(std::string_view text, char* out, std::size_t outSize) {
  if (!out || outSize == 0) return 0;
  std::string s = UnescapeString(text);
  std::size_t n = std::min(s.size(), outSize - 1);
  std::memcpy(out, s.data(), n);
  out[n] = '\0';
  return n;
}

std::string GetProgramFolder() { return plat::GetProgramFolder(); }

std::string GetProgramParentFolder() {
  std::string f = plat::GetProgramFolder();
  if (f.size() <= 1) return f;
  std::size_t slash = f.rfind('/', f.size() - 2);
  return slash == std::string::npos ? f : f.substr(0, slash + 1);
}

bool GetProgramFolder(char* out, std::size_t outSize) { return CopyOut(GetProgramFolder(), out, outSize); }

bool GetProgramParentFolder(char* out, std::size_t outSize) {
  return CopyOut(GetProgramParentFolder(), out, outSize);
}

unsigned MakeTempFileName(const char* prefix, std::string& out) {
  out.clear();
  std::string folder = plat::GetTempFolder();
  if (folder.empty()) return 0;
  return plat::GetTempFileName(folder, prefix ? prefix : "", out);
}

unsigned MakeTempFileName(const char* prefix, char* out, std::size_t outSize) {
  std::string path;
  unsigned r = MakeTempFileName(prefix, path);
  if (r == 0) {
    if (out && outSize) out[0] = '\0';
    return 0;
  }
  if (!CopyOut(path, out, outSize)) {
    std::remove(path.c_str());  // a name the caller cannot hold is of no use
    return 0;
  }
  return r;
}

plat::HGLOBAL DuplicateGlobalBlock(plat::HGLOBAL h) {
  std::size_t size = plat::GlobalSize(h);
  if (size == 0) return 0;
  plat::HGLOBAL copy = plat::GlobalAlloc(plat::GHND, size);
  if (!copy) return 0;
  plat::GlobalLockGuard src(h);
  plat::GlobalLockGuard dst(copy);
  if (!src || !dst) {
    plat::GlobalFree(copy);
    return 0;
  }
  std::memcpy(dst.bytes(), src.bytes(), size);
  return copy;
}

int ShowParamMessage(void* /*owner*/, unsigned kind, const char* text, unsigned code1, unsigned code2) {
  const char* caption = "";
  unsigned style = plat::MB_OK;
  if (kind == PARAM_MSG_WARNING) {
    caption = "警告";
    style |= plat::MB_ICONINFORMATION;
  } else if (kind == PARAM_MSG_ERROR) {
    caption = "错误";
    style |= plat::MB_ICONSTOP;
  }
  std::string body;
  if (text) {
    body = std::string("     ") + text + "     ";
  } else if (code1 != 0) {
    if (code1 == PARAM_CODE_ILLEGAL) body = "  非法的 ";
    if (code2 == PARAM_CODE_PARAMETER) body += "参数  ";
  }
  return plat::MessageBox(body, caption, style);
}

namespace {

bool BlitBitmap(plat::HDC dc, plat::HBITMAP bitmap, plat::LONG x, plat::LONG y, plat::LONG w, plat::LONG h, plat::DWORD rop) {
  if (!dc || !plat::IsGdiObject(bitmap)) return false;
  plat::HDC mem = plat::CreateCompatibleDC(dc);
  if (!mem) return false;
  plat::HBITMAP old = mem->SelectObject(bitmap);
  bool ok = false;
  if (old) {
    const plat::LONG bw = bitmap->width(), bh = bitmap->height();
    ok = (w == bw && h == bh) ? dc->BitBlt(x, y, w, h, mem, 0, 0, rop) != 0
                              : dc->StretchBlt(x, y, w, h, mem, 0, 0, bw, bh, rop) != 0;
    mem->SelectObject(old);
  }
  plat::DeleteDC(mem);
  return ok;
}

}  // namespace

bool DrawBitmap(plat::HDC dc, plat::HBITMAP bitmap, plat::LONG x, plat::LONG y, plat::DWORD rop) {
  if (!plat::IsGdiObject(bitmap)) return false;
  return BlitBitmap(dc, bitmap, x, y, bitmap->width(), bitmap->height(), rop);
}

bool StretchDrawBitmap(plat::HDC dc, plat::HBITMAP bitmap, plat::LONG x, plat::LONG y, plat::LONG w, plat::LONG h, plat::DWORD rop) {
  return BlitBitmap(dc, bitmap, x, y, w, h, rop);
}

plat::Font* CreateVerticalFont(const char* face, plat::LONG w, plat::LONG h) {
  return plat::CreateFont(-h, -w, -900, 0, plat::FW_BOLD, 0, 0, 0, plat::DEFAULT_CHARSET, 0, 0, 0, 0,
                          face ? face : "Arial");
}

CDragDrop g_DragDrop;

CDragDrop::Host* CDragDrop::SetHost(Host* host) {
  Host* prev = g_dragHost;
  g_dragHost = host;
  return prev;
}

CDragDrop::Host* CDragDrop::GetHost() { return g_dragHost; }

void CDragDrop::Begin(Cursor accept, Cursor refuse) {
  m_hAcceptCursor = accept;
  m_hRefuseCursor = refuse;
  m_pFallback = g_dragHost ? g_dragHost->MainWindow() : nullptr;
  m_bActive = true;
  m_bAccepted = false;
}

bool CDragDrop::DragOver(int x, int y) {
  m_bAccepted = false;
  m_x = x;
  m_y = y;
  Window w = g_dragHost ? g_dragHost->WindowFromPoint(x, y) : nullptr;
  if (!w) w = m_pFallback;
  std::intptr_t answer = (w && g_dragHost) ? g_dragHost->SendCommand(w, ID_DRAG_QUERY, this) : 0;
  if (answer != 0) {
    m_bAccepted = true;
    m_pTarget = w;
    g_dragHost->SetCursor(m_hAcceptCursor);
  } else {
    m_pTarget = nullptr;
    if (g_dragHost) g_dragHost->SetCursor(m_hRefuseCursor);
  }
  return m_bAccepted;
}

void CDragDrop::Drop(unsigned commandId) {
  if (m_bAccepted && m_pTarget && g_dragHost) g_dragHost->SendCommand(m_pTarget, commandId, this);
}

void CDragDrop::End() {
  m_bActive = false;
  m_bAccepted = false;
}
