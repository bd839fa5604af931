#include "text/textattr.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/settings.h"
#include "platform/codepage.h"
#include "text/arrange.h"
#include "text/boxarray.h"
#include "text/glyphsource.h"

namespace {

float SizeOrDefault(float v) { return std::isfinite(v) && v > 0.0f ? v : 40.0f; }

int SlotOf(std::uint8_t languageId) {
  const int slot = GetGlyphSource().FindSlot(languageId);
  return slot >= 0 && slot < kLanguageSlots ? slot : -1;
}

}  // namespace

bool CTextAttr::LoadDefaults() {
  return LoadDefaults(g_Profile, g_IniFile, plat::GetSystemDefaultLangID());
}

bool CTextAttr::LoadDefaults(const CProfile& profile, const CIniFile& ini,
                             std::uint16_t systemLangId) {
  sizeX = SizeOrDefault(profile.GetFloat("SystemParam", "FONTSIZEX", 40.0f));
  sizeY = SizeOrDefault(profile.GetFloat("SystemParam", "FONTSIZEY", 40.0f));
  for (int slot = 0; slot < kLanguageSlots; ++slot) {
    char section[32];
    std::snprintf(section, sizeof section, "Language%d", slot);
    const int type = ini.GetInt(section, "DefaultType", -1);
    if (type == -1) continue;
    fontType[slot] = std::uint8_t(type);
    const int id = ini.GetInt(section, "DefaultID", -1);
    if (id != -1) fontId[slot] = std::uint16_t(id);
  }
  angle = profile.GetFloat("SystemParam", "FONTANGLE", 0.0f);
  skewX = profile.GetFloat("SystemParam", "FONTSKEWX", 0.0f);
  skewY = profile.GetFloat("SystemParam", "FONTSKEWY", 0.0f);
  lineGap = profile.GetFloat("SystemParam", "LineGaps", 0.0f);
  boxGap = profile.GetFloat("SystemParam", "BoxGaps", 0.0f);
  tmState = std::uint16_t(profile.GetInt("SystemParam", "TMState", 0));
  mode = 0;
  SetLanguageFromLocale(systemLangId);
  return true;
}

int CTextAttr::SetLanguage(std::uint8_t id) {
  switch (id) {
    case 128: case 129: case 134: case 136: doubleByteLanguage = id; break;
    case 133: doubleByteLanguage = 134; break;
    case 204: case 222: singleByteLanguage = id; break;
    default: singleByteLanguage = 0; break;
  }
  return 1;
}

int CTextAttr::SetLanguageFromLocale(std::uint32_t windowsLangId) {
  doubleByteLanguage = 134;
  singleByteLanguage = 0;
  switch (windowsLangId & 0xFFFF) {
    case 1028: case 3076: case 4100: doubleByteLanguage = 136; break;
    case 1041: doubleByteLanguage = 128; break;
    case 1042: case 2066: doubleByteLanguage = 129; break;
    case 2052: doubleByteLanguage = 134; break;
    case 1049: singleByteLanguage = 204; break;
    case 1054: singleByteLanguage = 222; break;
    default: break;
  }
  return 1;
}

CTextAttr& CTextAttr::Assign(const CTextAttr& o) {
  if (this != &o) *this = o;
  return *this;
}

std::uint8_t CTextAttr::FontTypeOf(std::uint8_t languageId) const {
  const int slot = SlotOf(languageId);
  return slot < 0 ? 0 : fontType[slot];
}

std::uint16_t CTextAttr::FontIdOf(std::uint8_t languageId) const {
  const int slot = SlotOf(languageId);
  return slot < 0 ? 0 : fontId[slot];
}

CTextAttr& DefaultTextAttr() {
  static CTextAttr attr;
  return attr;
}

CTextAttr* GetRunningTextAttr(const CTextArrange* arrange, int n, float* lineExtent,
                              float* lineStart) {
  auto* attr = new CTextAttr();
  const int variant = arrange ? arrange->GetKind() & 0x0F : 0;
  const CFRect frame = arrange ? arrange->GetFrame() : CFRect();
  float start = variant == 2 ? frame.left : variant == 3 ? frame.right : frame.top;
  float extent = variant < 2 ? -999999.0f : 0.0f;
  const CBoxArray* items = arrange ? arrange->items : nullptr;
  if (items && n > 0) {
    n = std::min(n, items->GetSize());
    bool inLine = false;
    float lineAt = 0.0f;
    for (int k = 0; k < n; ++k) {
      const CBoxItem* item = items->GetAt(k);
      if (item->IsCode()) {
        const auto* c = static_cast<const CBoxCode*>(item);
        if (c->code == 16)
          attr->mode = std::uint16_t(attr->mode | 16);
        else
          c->ApplyTo(*attr);
        continue;
      }
      const auto* c = static_cast<const CBoxChar*>(item);
      if (variant < 2) {
        if (c->flags & BOXF_LINE_END) start = c->y + attr->lineGap;
        const float h = c->sizeY + attr->lineGap;
        if (!inLine || c->y != lineAt) {
          inLine = true;
          lineAt = c->y;
          extent = h;  // the new line's first character counts
        } else {
          extent = std::max(extent, h);
        }
      } else {
        if (c->flags & BOXF_LINE_END)
          start = variant == 2 ? c->x + attr->lineGap : c->x - attr->lineGap;
        const float cell = c->code >= 256 ? c->sizeX : c->sizeY;
        if (!inLine || c->x != lineAt) {
          inLine = true;
          lineAt = c->x;
          extent = cell;
        } else {
          extent = std::max(extent, cell);
        }
      }
    }
  }
  if (lineExtent) *lineExtent = extent;
  if (lineStart) *lineStart = start;
  return attr;
}
