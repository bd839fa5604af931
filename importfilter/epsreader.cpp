#include "importfilter/epsreader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "importfilter/filterio.h"
#include "platform/paths.h"
#include "platform/report.h"

namespace imp {
namespace {

bool IsSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0; }
bool IsBracket(std::uint8_t c) { return c == '[' || c == ']' || c == '{' || c == '}'; }

bool IsNumberWord(std::string_view w) {
  if (w.empty()) return false;
  bool digit = false;
  for (char c : w) {
    if (c >= '0' && c <= '9')
      digit = true;
    else if (c != '-' && c != '.' && c != '+')
      return false;
  }
  return digit;
}

// Last occurrence of a text in the data; npos when none.
std::size_t FindLast(const std::uint8_t* d, std::size_t n, std::string_view what) {
  if (what.size() > n) return std::string_view::npos;
  return std::string_view(reinterpret_cast<const char*>(d), n).rfind(what);
}

int FixedOperator(std::string_view w) {
  if (w == "moveto") return EO_MOVE;
  if (w == "lineto") return EO_LINE;
  if (w == "curveto") return EO_CURVE;
  if (w == "closepath") return EO_CLOSE;
  if (w == "newpath") return EO_NEWPATH;
  if (w == "endpath") return EO_ENDPATH;
  if (w.size() != 1) return 0;
  switch (w[0]) {
    case 'M': case 'm': return EO_MOVE;
    case 'L': case 'l': return EO_LINE;
    case 'C': case 'c': return EO_CURVE;
    case 'F': case 'f': return EO_CLOSE;
#ifdef TINDREL_IMPORT_OLD
    case 'S': case 's': return EO_CLOSE;
    case 'V': case 'v': case 'Y': case 'y': return EO_UNKNOWN;
#else
    case 'V': case 'v': return EO_CURVE_V;
    case 'Y': case 'y': return EO_CURVE_Y;
    case 's': case 'b': case 'B': case 'n': return EO_CLOSE;
    case 'S': case 'N': return EO_ENDPATH;
#endif
    default: return 0;
  }
}

bool IsPathOperator(int code) {
  return code == EO_MOVE || code == EO_LINE || code == EO_CURVE || code == EO_CURVE_V || code == EO_CURVE_Y ||
         code == EO_CLOSE || code == EO_ENDPATH;
}

constexpr char kBadOutline[] = "     在文件中有非法的轮廓或不能识别!     ";

}  // namespace

bool CEpsWords::Next(std::string_view& word) {
  for (;;) {
    while (pos_ < n_ && IsSpace(d_[pos_])) ++pos_;
    if (pos_ >= n_) return false;
    const std::uint8_t c = d_[pos_];
    if (c == '%') {
      static constexpr std::string_view kTrailer = "%%Trailer";
      const std::size_t start = pos_;
      while (pos_ < n_ && d_[pos_] != '\n' && d_[pos_] != '\r') ++pos_;
      if (pos_ - start >= kTrailer.size() &&
          std::memcmp(d_ + start, kTrailer.data(), kTrailer.size()) == 0) {
        word = kTrailer;
        return true;
      }
      continue;
    }
    if (c == '(') {
      int depth = 0;
      while (pos_ < n_) {
        const std::uint8_t s = d_[pos_++];
        if (s == '\\') {
          ++pos_;
        } else if (s == '(') {
          ++depth;
        } else if (s == ')' && --depth == 0) {
          break;
        }
      }
      continue;
    }
    if (c == ')') {
      ++pos_;
      continue;
    }
    if (IsBracket(c)) {
      word = std::string_view(reinterpret_cast<const char*>(d_ + pos_), 1);
      ++pos_;
      return true;
    }
    const std::size_t start = pos_;
    while (pos_ < n_ && !IsSpace(d_[pos_]) && !IsBracket(d_[pos_]) && d_[pos_] != '(' && d_[pos_] != ')' &&
           d_[pos_] != '%')
      ++pos_;
    if (pos_ - start > kMaxEpsWord) continue;  // too long: skipped whole
    word = std::string_view(reinterpret_cast<const char*>(d_ + start), pos_ - start);
    return true;
  }
}

void CEpsReader::LoadProlog(const std::uint8_t* text, std::size_t size) {
  std::vector<std::string_view> ws;
  CEpsWords words(text, size);
  for (std::string_view w; words.Next(w);) ws.push_back(w);
  const std::size_t n = ws.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (ws[i].size() < 2 || ws[i][0] != '/') continue;
    std::vector<std::string> body;
    std::size_t k = i + 1;
    bool isDef = false;
    if (k < n && ws[k] == "{") {
      // "/name { ... } [bind|load] def"
      int depth = 1;
      for (++k; k < n; ++k) {
        if (ws[k] == "{") ++depth;
        if (ws[k] == "}" && --depth == 0) break;
        body.emplace_back(ws[k]);
      }
      ++k;
      if (k < n && (ws[k] == "bind" || ws[k] == "load")) ++k;
      isDef = k < n && ws[k] == "def";
    } else {
      // "/name /other load def" or "/name value def"
      for (; k < n && k < i + 4; ++k) {
        if (ws[k] == "def") {
          isDef = true;
          break;
        }
        if (ws[k] != "load" && ws[k] != "bind") body.emplace_back(ws[k]);
      }
    }
    if (!isDef) continue;
    defs_.emplace(std::string(ws[i].substr(1)), std::move(body));  // the first definition counts
    i = k;
  }
}

int CEpsReader::Expand(const std::string& name, int depth) {
  if (auto hit = cache_.find(name); hit != cache_.end()) return hit->second;
  const int fixed = FixedOperator(name);
  if (fixed) return fixed;
  auto def = defs_.find(name);
  if (def == defs_.end() || depth >= kMaxExpandDepth) return EO_UNKNOWN;
  cache_[name] = EO_UNKNOWN;  // a definition that refers to itself performs nothing more
  int result = EO_UNKNOWN;
  bool newpath = false;
  for (const std::string& w : def->second) {
    if (w.empty() || IsNumberWord(w) || IsBracket(std::uint8_t(w[0]))) continue;
    const int code = Expand(w[0] == '/' ? w.substr(1) : w, depth + 1);
    if (IsPathOperator(code)) result = code;
    if (code == EO_NEWPATH) newpath = true;
  }
  if (result == EO_UNKNOWN && newpath) result = EO_NEWPATH;
  cache_[name] = result;
  return result;
}

int CEpsReader::OperatorOf(std::string_view word) {
  if (word.rfind("%%Trailer", 0) == 0) return EO_TRAILER;
  if (const int fixed = FixedOperator(word)) return fixed;
  return Expand(std::string(word), 0);
}

bool CEpsReader::ReadData(const std::uint8_t* data, std::size_t size, const std::string* defaultProlog,
                          float scale, CFilterPathList& list) {
  static constexpr std::string_view kDictDef = " dict def";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::size_t dict = text.find(kDictDef);
  const std::size_t endProlog = FindLast(data, size, "%%EndProlog");
  if (dict != std::string_view::npos && dict > 20) {
    const std::size_t from = dict + kDictDef.size();
    const std::size_t to = (endProlog != std::string_view::npos && endProlog > from) ? endProlog : size;
    LoadProlog(data + from, to - from);
  } else if (defaultProlog) {
    LoadProlog(reinterpret_cast<const std::uint8_t*>(defaultProlog->data()), defaultProlog->size());
  } else {
    return false;
  }
  std::size_t start = 0;
  if (const std::size_t setup = FindLast(data, size, "%%EndSetup"); setup != std::string_view::npos)
    start = std::min(size, setup + 11);
  else if (endProlog != std::string_view::npos)
    start = endProlog + 11;

  float ops[6] = {};
  std::size_t opCount = 0;
  bool started = false, held = false, hasCurrent = false;
  float cx = 0, cy = 0, hx = 0, hy = 0, sx = 0, sy = 0;
  auto endSubPath = [&] {
    if (started && held) list.Append(hx, hy, (hx == sx && hy == sy) ? F_CLOSED : F_OPEN);
    started = held = false;
  };
  // A segment after a close continues from the start point in a new sub-path.
  auto begin = [&]() -> bool {
    if (started) return true;
    if (!hasCurrent) return false;
    sx = cx;
    sy = cy;
    list.Append(sx, sy, F_FIRST);
    started = true;
    held = false;
    return true;
  };
  auto storeHeld = [&] {
    if (held) list.Append(hx, hy, F_MID);
    held = false;
  };
  auto curve = [&](float x1, float y1, float x2, float y2, float x3, float y3) {
    storeHeld();
    list.Append(x1, y1, PF_CONTROL);
    list.Append(x2, y2, PF_CONTROL);
    hx = cx = x3;
    hy = cy = y3;
    held = true;
  };

  CEpsWords words(data, size, start);
  std::string_view w;
  while (words.Next(w)) {
    if (IsNumberWord(w)) {
      const double v = std::clamp(ParseNumber(w), -1e9, 1e9);
      if (opCount >= 6) std::memmove(ops, ops + 1, 5 * sizeof(float));
      ops[std::min<std::size_t>(opCount, 5)] = float(v);
      ++opCount;
      continue;
    }
    int code = OperatorOf(w);
    const std::size_t count = opCount;
    opCount = 0;
    if ((code == EO_MOVE || code == EO_LINE) && count != 2) code = EO_UNKNOWN;
    if (code == EO_CURVE && count != 6) code = EO_UNKNOWN;
    if ((code == EO_CURVE_V || code == EO_CURVE_Y) && count != 4) code = EO_UNKNOWN;
    switch (code) {
      case EO_MOVE:
        // The sub-path starts with its first segment: a move alone paints nothing.
        endSubPath();
        cx = ops[0];
        cy = ops[1];
        hasCurrent = true;
        break;
      case EO_LINE:
      case EO_CURVE:
      case EO_CURVE_V:
      case EO_CURVE_Y:
        if (!begin()) {
          plat::MessageBox(kBadOutline, "错误", plat::MB_OK | plat::MB_ICONERROR);
          list = CFilterPathList();
          return false;
        }
        if (code == EO_LINE) {
          storeHeld();
          hx = cx = ops[0];
          hy = cy = ops[1];
          held = true;
        } else if (code == EO_CURVE) {
          curve(ops[0], ops[1], ops[2], ops[3], ops[4], ops[5]);
        } else if (code == EO_CURVE_V) {
          curve(cx, cy, ops[0], ops[1], ops[2], ops[3]);
        } else {
          curve(ops[0], ops[1], ops[2], ops[3], ops[2], ops[3]);
        }
        break;
      case EO_CLOSE:
        if (started && held) {
          if (hx != sx || hy != sy) {
            list.Append(hx, hy, F_MID);
            list.Append(sx, sy, F_CLOSED);
          } else {
            list.Append(hx, hy, F_CLOSED);
          }
        }
        if (started) {
          cx = sx;
          cy = sy;
        }
        started = held = false;
        break;
      case EO_ENDPATH:
      case EO_TRAILER:
        endSubPath();
        hasCurrent = false;
        break;
      default:
        break;
    }
  }
  endSubPath();
  if (list.Points().empty()) return false;
  list.AppendEnd();
  list.SetUpright(scale);
  return true;
}

plat::HGLOBAL CEpsReader::Read(const char* path, std::uint32_t value) {
  auto data = ReadWholeFile(path);
  if (!data) return 0;
  std::string defaultProlog;
  bool haveDefault = false;
  if (auto dic = ReadWholeFile((plat::GetProgramFolder() + "default.dic").c_str())) {
    defaultProlog.assign(dic->begin(), dic->end());
    haveDefault = true;
  }
#ifdef TINDREL_IMPORT_OLD
  (void)value;
  const float scale = 0.3472222f;
#else
  const float scale = ScaleFromValue(value, 25.4f / 72.0f);
#endif
  CFilterPathList list;
  if (!ReadData(data->data(), data->size(), haveDefault ? &defaultProlog : nullptr, scale, list)) return 0;
  return list.ObjectBlock();
}

}  // namespace imp
