// The table of installed TrueType faces: listed by fontconfig, checked and
// named with FreeType, grouped into families and reported per character set.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_FONT_FORMATS_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "platform/font_impl.h"

// LeakSanitizer's switches, when the program is built with it: fontconfig
// loses a few bytes while it parses its configuration, once per process.
extern "C" void __lsan_disable() __attribute__((weak));
extern "C" void __lsan_enable() __attribute__((weak));

namespace plat {

const BYTE kCharSets[13] = {ANSI_CHARSET,   EASTEUROPE_CHARSET, RUSSIAN_CHARSET, GREEK_CHARSET,
                            TURKISH_CHARSET, HEBREW_CHARSET,     ARABIC_CHARSET,  BALTIC_CHARSET,
                            THAI_CHARSET,    SHIFTJIS_CHARSET,   GB2312_CHARSET,  HANGUL_CHARSET,
                            CHINESEBIG5_CHARSET};

namespace {

// OS/2 ulCodePageRange1 bit of each entry of kCharSets.
constexpr int kCodePageBit[13] = {0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20};
// A character each character set needs, for faces without code-page ranges.
constexpr char32_t kProbe[13] = {0x00E9, 0x0158, 0x0411, 0x03B1, 0x011E, 0x05D0, 0x0627,
                                 0x0112, 0x0E01, 0x3042, 0x4E1C, 0xAC00, 0x6771};

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

std::u16string Utf16Be(const FT_SfntName& n) {
  std::u16string s;
  for (FT_UInt i = 0; i + 1 < n.string_len; i += 2) s.push_back(char16_t(n.string[i] << 8 | n.string[i + 1]));
  return s;
}

// UTF-16 to GBK; false when a character has no GBK code.
bool Utf16ToGbk(std::u16string s, std::string* out) {
  if (auto nul = s.find(u'\0'); nul != std::u16string::npos) s.resize(nul);
  bool lost = false;
  *out = Utf16ToMultiByte(CP_GBK, s, &lost);
  return !lost && !out->empty();
}

// Cuts a GBK name to LF_FACESIZE - 1 bytes on a character boundary.
std::string CutName(const std::string& s) {
  size_t i = 0, keep = 0;
  while (i < s.size()) {
    size_t n = static_cast<unsigned char>(s[i]) >= 0x81 && i + 1 < s.size() ? 2 : 1;
    if (i + n > size_t(LF_FACESIZE - 1)) break;
    i += n;
    keep = i;
  }
  return s.substr(0, keep);
}

// Simplified-Chinese names: PRC and Singapore.
bool IsSimplifiedChinese(FT_UShort lang) { return lang == TT_MS_LANGID_CHINESE_PRC || lang == 0x1004; }

// Name bytes of a code page as GBK; false when they are no text of it or GBK
// cannot hold them.
bool CodePageToGbk(unsigned codePage, std::string_view bytes, std::string* out) {
  if (auto nul = bytes.find('\0'); nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  bool lost = false;
  std::u16string u = MultiByteToUtf16(codePage, bytes);
  if (u.empty() || u.find(u'\uFFFD') != std::u16string::npos) return false;
  *out = Utf16ToMultiByte(CP_GBK, u, &lost);
  return !lost && !out->empty();
}

void ReadNames(FT_Face face, FaceFile* f) {
  std::string english, englishAny, mac, zh;
  FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName n;
    if (FT_Get_Sfnt_Name(face, i, &n) != 0 || n.name_id != TT_NAME_ID_FONT_FAMILY) continue;
    const std::string_view bytes(reinterpret_cast<const char*>(n.string), n.string_len);
    if (n.platform_id == TT_PLATFORM_MICROSOFT) {
      std::string s;
      if (n.encoding_id == TT_MS_ID_UNICODE_CS || n.encoding_id == TT_MS_ID_UCS_4) {
        if (!Utf16ToGbk(Utf16Be(n), &s)) continue;
      } else if (n.encoding_id == TT_MS_ID_PRC) {
        // GB2312 text in 16-bit big-endian units; single bytes have a zero high byte.
        std::string units;
        for (FT_UInt k = 0; k + 1 < n.string_len; k += 2) {
          if (n.string[k] != 0) units.push_back(char(n.string[k]));
          if (n.string[k + 1] != 0) units.push_back(char(n.string[k + 1]));
        }
        if (!CodePageToGbk(CP_GBK, units, &s)) continue;
      } else {
        continue;
      }
      if (IsSimplifiedChinese(n.language_id) && zh.empty()) zh = s;
      if (n.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES && english.empty()) english = s;
      if (englishAny.empty()) englishAny = s;
    } else if (n.platform_id == TT_PLATFORM_MACINTOSH) {
      std::string s;
      if (n.encoding_id == TT_MAC_ID_ROMAN && n.language_id == TT_MAC_LANGID_ENGLISH && mac.empty()) {
        for (FT_UInt k = 0; k < n.string_len; ++k) {
          if (n.string[k] >= 0x20 && n.string[k] < 0x7F) mac.push_back(char(n.string[k]));
        }
      } else if (n.encoding_id == TT_MAC_ID_SIMPLIFIED_CHINESE &&
                 n.language_id == TT_MAC_LANGID_CHINESE_SIMPLIFIED && zh.empty()) {
        if (CodePageToGbk(CP_GBK, bytes, &s)) zh = s;
      }
    }
  }
  if (english.empty()) english = !mac.empty() ? mac : englishAny;
  if (english.empty() && face->family_name) {
    for (const char* p = face->family_name; *p; ++p) {
      if (*p >= 0x20 && *p < 0x7F) english.push_back(*p);
    }
  }
  f->english = CutName(english);
  f->gbkName = CutName(zh);
}

unsigned CharsetMask(FT_Face face, const TT_OS2* os2) {
  unsigned mask = 0;
  if (os2 && os2->version != 0xFFFF && (os2->ulCodePageRange1 | os2->ulCodePageRange2) != 0) {
    for (int i = 0; i < 13; ++i) {
      if (os2->ulCodePageRange1 & (1u << kCodePageBit[i])) mask |= 1u << i;
    }
  } else {
    for (int i = 0; i < 13; ++i) {
      if (FT_Get_Char_Index(face, kProbe[i]) != 0) mask |= 1u << i;
    }
    if (FT_Get_Char_Index(face, 'A') != 0 && FT_Get_Char_Index(face, 0xE9) != 0) mask |= 1u;
  }
  return mask;
}

// Reads one listed file with the library; false when it is not a usable
// TrueType face.
bool ReadFace(FT_Library lib, const char* path, int index, FaceFile* f) {
  FT_Face face = nullptr;
  if (!lib || FT_New_Face(lib, path, index, &face) != 0) return false;
  bool ok = FT_IS_SFNT(face) && FT_IS_SCALABLE(face) &&
            std::strcmp(FT_Get_Font_Format(face), "TrueType") == 0 &&
            FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0 && face->units_per_EM >= 16;
  if (ok) {
    FT_ULong len = 0;
    ok = FT_Load_Sfnt_Table(face, TTAG_glyf, 0, nullptr, &len) == 0 && len > 0;
  }
  if (ok) {
    f->path = path;
    f->index = index;
    ReadNames(face, f);
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    f->upem = face->units_per_EM;
    f->hheaAscent = hhea ? hhea->Ascender : face->ascender;
    f->hheaDescent = hhea ? hhea->Descender : face->descender;
    f->lineGap = hhea ? hhea->Line_Gap : 0;
    f->maxAdvance = face->max_advance_width;
    if (os2 && os2->version != 0xFFFF) {
      f->weight = os2->usWeightClass ? os2->usWeightClass : 400;
      f->italic = (os2->fsSelection & 1) != 0;
      f->winAscent = os2->usWinAscent;
      f->winDescent = os2->usWinDescent;
      f->xAvgCharWidth = os2->xAvgCharWidth;
    } else {
      f->weight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
    }
    if (face->style_flags & FT_STYLE_FLAG_ITALIC) f->italic = true;
    if (f->winAscent + f->winDescent <= 0) {
      f->winAscent = std::max<int>(f->hheaAscent, 1);
      f->winDescent = std::max<int>(-f->hheaDescent, 0);
    }
    if (f->xAvgCharWidth <= 0) f->xAvgCharWidth = std::max(1, f->upem / 2);
    f->charsetMask = CharsetMask(face, os2);
    ok = !f->english.empty() && f->english[0] != '@' && f->charsetMask != 0;
  }
  FT_Done_Face(face);
  return ok;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x < 0x80 && y < 0x80) {
      if (std::tolower(x) != std::tolower(y)) return false;
    } else if (x != y) {
      return false;
    }
  }
  return true;
}

bool InitFontconfig() {
  if (__lsan_disable) __lsan_disable();
  bool ok = FcInit();
  if (__lsan_enable) __lsan_enable();
  return ok;
}

void Build(FaceTable* t) {
  if (!InitFontconfig()) return;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcObjectSet* os = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FONTFORMAT, FC_VARIABLE, nullptr);
  FcFontSet* set = FcFontList(nullptr, pat, os);
  std::set<std::pair<std::string, int>> listed;
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* file = nullptr;
      FcChar8* format = nullptr;
      int index = 0;
      FcBool variable = FcFalse;
      if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
      if (FcPatternGetString(set->fonts[i], FC_FONTFORMAT, 0, &format) == FcResultMatch &&
          std::strcmp(reinterpret_cast<const char*>(format), "TrueType") != 0) {
        continue;
      }
      FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
      FcPatternGetBool(set->fonts[i], FC_VARIABLE, 0, &variable);
      if (variable || (index >> 16) != 0) continue;  // named instances of variable fonts
      listed.emplace(reinterpret_cast<const char*>(file), index);
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(os);
  FcPatternDestroy(pat);

  // Sorted by path: duplicates resolve the same way. The files are read by a
  // few threads, each with a library of its own, into their listed places.
  const std::vector<std::pair<std::string, int>> files(listed.begin(), listed.end());
  std::vector<FaceFile> read(files.size());
  std::vector<char> usable(files.size(), 0);
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return;
    for (std::size_t i; (i = next++) < files.size();)
      usable[i] = ReadFace(lib, files[i].first.c_str(), files[i].second, &read[i]) ? 1 : 0;
    FT_Done_FreeType(lib);
  };
  const std::size_t helpers =
      std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()) - 1, 3, files.size() / 16});
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k < helpers; ++k) threads.emplace_back(work);
  work();
  for (std::thread& th : threads) th.join();
  for (std::size_t i = 0; i < files.size(); ++i)
    if (usable[i]) t->files.push_back(std::move(read[i]));
  std::map<std::string, int> byName;  // lower-case English name -> family
  for (int i = 0; i < int(t->files.size()); ++i) {
    FaceFile& f = t->files[i];
    std::string key;
    for (char c : f.english) key.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    auto [it, fresh] = byName.emplace(key, int(t->families.size()));
    if (fresh) {
      FontFamily fam;
      fam.english = f.english;
      t->families.push_back(fam);
    }
    FontFamily& fam = t->families[it->second];
    fam.members.push_back(i);
    fam.charsetMask |= f.charsetMask;
  }
  for (FontFamily& fam : t->families) {
    // The localised name of the member closest to regular.
    int best = PickMember(*t, fam, FW_NORMAL, false);
    fam.faceName = t->files[best].gbkName;
    for (int m : fam.members) {
      if (fam.faceName.empty()) fam.faceName = t->files[m].gbkName;
    }
    if (fam.faceName.empty()) fam.faceName = fam.english;
  }
  std::sort(t->families.begin(), t->families.end(),
            [](const FontFamily& a, const FontFamily& b) { return a.faceName < b.faceName; });
  for (const FontFamily& fam : t->families) {
    for (int i = 0; i < 13; ++i) {
      if (!(fam.charsetMask & (1u << i))) continue;
      t->faces.push_back({fam.faceName, fam.english, kCharSets[i], TRUETYPE_FONTTYPE});
    }
  }
  std::stable_sort(t->faces.begin(), t->faces.end(), [](const FontFace& a, const FontFace& b) {
    return a.faceName != b.faceName ? a.faceName < b.faceName : a.charSet < b.charSet;
  });
}

}  // namespace

std::recursive_mutex& FontMutex() {
  static std::recursive_mutex mu;
  return mu;
}

FaceTable& Faces() {
  static FaceTable* table = [] {
    auto* t = new FaceTable;  // lives until the process ends; faces stay open
    std::lock_guard lock(FontMutex());
    Build(t);
    return t;
  }();
  return *table;
}

bool ReadFaceFile(const char* path, int index, FaceFile* f) { return ReadFace(Library(), path, index, f); }

FT_Face OpenFace(FaceFile& f) {
  if (f.face) return f.face;
  if (!Library() || FT_New_Face(Library(), f.path.c_str(), f.index, &f.face) != 0) {
    f.face = nullptr;
    return nullptr;
  }
  if (FT_Select_Charmap(f.face, FT_ENCODING_UNICODE) != 0) {
    FT_Done_Face(f.face);
    f.face = nullptr;
  }
  return f.face;
}

int PickMember(const FaceTable& t, const FontFamily& fam, LONG weight, bool italic) {
  if (weight <= 0) weight = FW_NORMAL;
  int best = fam.members.front();
  long bestScore = -1;
  for (int m : fam.members) {
    const FaceFile& f = t.files[m];
    long score = std::labs(long(f.weight) - weight) + (f.italic != italic ? 10000 : 0);
    if (bestScore < 0 || score < bestScore) {
      best = m;
      bestScore = score;
    }
  }
  return best;
}

namespace {

const char* LangOfCharSet(BYTE cs) {
  switch (cs) {
    case SHIFTJIS_CHARSET: return "ja";
    case HANGUL_CHARSET: return "ko";
    case GB2312_CHARSET: return "zh-cn";
    case CHINESEBIG5_CHARSET: return "zh-tw";
    case GREEK_CHARSET: return "el";
    case TURKISH_CHARSET: return "tr";
    case HEBREW_CHARSET: return "he";
    case ARABIC_CHARSET: return "ar";
    case BALTIC_CHARSET: return "lt";
    case RUSSIAN_CHARSET: return "ru";
    case THAI_CHARSET: return "th";
    case EASTEUROPE_CHARSET: return "cs";
    case ANSI_CHARSET: return "en";
    default: return nullptr;
  }
}

int CharsetBit(BYTE cs) {
  for (int i = 0; i < 13; ++i) {
    if (kCharSets[i] == cs) return i;
  }
  return -1;
}

int FamilyOfFile(const FaceTable& t, const std::string& path, int index) {
  for (int i = 0; i < int(t.families.size()); ++i) {
    for (int m : t.families[i].members) {
      if (t.files[m].index == index && t.files[m].path == path) return i;
    }
  }
  return -1;
}

// fontconfig's choice for a name it does not know exactly (aliases such as
// Arial) and the character set's language.
int MatchWithFontconfig(const FaceTable& t, const LOGFONT& lf) {
  FcPattern* pat = FcPatternCreate();
  std::string name = GbkToUtf8(lf.FaceName());
  if (!name.empty()) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  if (const char* lang = LangOfCharSet(lf.lfCharSet)) {
    FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
  }
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcPatternAddInteger(pat, FC_WEIGHT, FcWeightFromOpenType(lf.lfWeight > 0 ? lf.lfWeight : 400));
  FcPatternAddInteger(pat, FC_SLANT, lf.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res;
  FcFontSet* sorted = FcFontSort(nullptr, pat, FcTrue, nullptr, &res);
  int found = -1;
  int bit = CharsetBit(lf.lfCharSet);
  if (sorted) {
    for (int pass = 0; pass < 2 && found < 0; ++pass) {
      for (int i = 0; i < sorted->nfont && found < 0; ++i) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
        FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &index);
        int fam = FamilyOfFile(t, reinterpret_cast<const char*>(file), index);
        // First pass: a family that covers the character set.
        if (fam >= 0 && (pass == 1 || bit < 0 || (t.families[fam].charsetMask & (1u << bit)))) found = fam;
      }
    }
    FcFontSetDestroy(sorted);
  }
  FcPatternDestroy(pat);
  return found;
}

}  // namespace

int FindFamily(FaceTable& t, const LOGFONT& lf) {
  if (t.families.empty()) return -1;
  std::string name = lf.FaceName();
  if (!name.empty()) {
    for (int i = 0; i < int(t.families.size()); ++i) {
      if (t.families[i].faceName == name) return i;
    }
    for (int i = 0; i < int(t.families.size()); ++i) {
      if (SameName(t.families[i].faceName, name) || SameName(t.families[i].english, name)) return i;
    }
  }
  // Asked once per name, character set, weight and slant.
  std::string key = name + '\0' + char(lf.lfCharSet) + char(lf.lfWeight >= FW_SEMIBOLD) + char(lf.lfItalic != 0);
  auto it = t.matched.find(key);
  int fam = it != t.matched.end() ? it->second : MatchWithFontconfig(t, lf);
  if (it == t.matched.end()) t.matched.emplace(key, fam);
  if (fam >= 0) return fam;
  int bit = CharsetBit(lf.lfCharSet);
  for (int i = 0; i < int(t.families.size()); ++i) {
    if (bit >= 0 && (t.families[i].charsetMask & (1u << bit))) return i;
  }
  return 0;
}

const std::vector<FontFace>& InstalledFontFaces() { return Faces().faces; }

int EnumFontFamiliesEx(BYTE charSet, const FontEnumProc& proc) {
  int last = 1;
  for (const FontFace& f : InstalledFontFaces()) {
    if (charSet != DEFAULT_CHARSET && f.charSet != charSet) continue;
    LOGFONT lf;
    lf.lfCharSet = f.charSet;
    lf.SetFaceName(f.faceName);
    last = proc(lf, f.fontType);
    if (last == 0) break;
  }
  return last;
}

}  // namespace plat
