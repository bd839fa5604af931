#include "app/imagevectorizer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "framework/waitcursor.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/services.h"
#include "model/settings.h"
#include "platform/dib.h"
#include "platform/report.h"

namespace {

constexpr char kTooManyColours[] = "彩色图像色彩不能超过2色";

struct FieldDef {
  const char* name;
  float def;
  std::size_t offset;
  bool isInt;
};

#define IV_FIELD(name, def, isInt) {#name, def, offsetof(ImageVectorParams, name), isInt}
const FieldDef kFields[] = {
    IV_FIELD(AlignThreshold, 0.5f, false),
    IV_FIELD(CornerAlwaysThreshold, 60.0f, false),
    IV_FIELD(CornerSurround, 3.0f, true),
    IV_FIELD(CornerThreshold, 100.0f, false),
    IV_FIELD(ErrorThreshold, 0.5f, false),
    IV_FIELD(FilterAlternativeSurround, 1.0f, false),
    IV_FIELD(FilterEpsilon, 10.0f, false),
    IV_FIELD(FilterIterationCount, 3.0f, true),
    IV_FIELD(FilterPercent, 0.33f, false),
    IV_FIELD(FilterSecondarySurround, 2.0f, true),
    IV_FIELD(FilterSurround, 2.0f, true),
    IV_FIELD(KeepKnees, 0.0f, true),
    IV_FIELD(LineReversionThreshold, 0.01f, false),
    IV_FIELD(LineThreshold, 0.5f, false),
    IV_FIELD(ReparameterizeImprovement, 0.1f, false),
    IV_FIELD(ReparameterizeThreshold, 30.0f, false),
    IV_FIELD(SubdivideSearch, 0.1f, false),
    IV_FIELD(SubdivideSurround, 4.0f, true),
    IV_FIELD(SubdivideThreshold, 0.03f, false),
    IV_FIELD(TangentSurround, 4.0f, true),
};
#undef IV_FIELD

// A profile float as a field integer: rounded, held to the field's range.
std::int32_t Rounded(float v, float def) {
  if (!std::isfinite(v)) v = def;
  const double r = std::round(double(v));
  return std::int32_t(std::clamp(r, double(INT32_MIN), double(INT32_MAX)));
}

void SetField(ImageVectorParams& p, const FieldDef& f, float value) {
  auto* at = reinterpret_cast<unsigned char*>(&p) + f.offset;
  if (f.isInt) {
    const std::int32_t v = Rounded(value, f.def);
    std::memcpy(at, &v, sizeof v);
  } else {
    std::memcpy(at, &value, sizeof value);
  }
}

void ApplyVectorPreset(ImageVectorParams& p) {
  p.ReparameterizeThreshold = 40.0f;
  switch (p.Delta) {
    case 1:
      p.AlignThreshold = 0.1f, p.CornerSurround = 4, p.CornerThreshold = 120.0f;
      p.FilterAlternativeSurround = 0.0f, p.LineThreshold = 0.1f, p.SubdivideSurround = 2;
      p.FilterIterationCount = 1, p.TangentSurround = 2;
      break;
    case 2:
      p.FilterIterationCount = 2, p.TangentSurround = 2;
      break;
    case 3:
      p.AlignThreshold = 0.8f, p.CornerSurround = 4, p.CornerThreshold = 100.0f;
      p.FilterAlternativeSurround = 1.0f, p.LineThreshold = 0.8f, p.SubdivideSurround = 6;
      p.TangentSurround = 5;
      break;
    case 4:
      p.AlignThreshold = 1.0f, p.CornerSurround = 5, p.CornerThreshold = 100.0f;
      p.FilterAlternativeSurround = 2.0f, p.LineThreshold = 1.0f, p.SubdivideSurround = 6;
      p.TangentSurround = 5, p.FilterIterationCount = 4;
      break;
    default:
      break;
  }
}

using WaitCursor = fw::CWaitCursor;

class CAppTraceServices : public CTraceServices {
 public:
  std::unique_ptr<CPathObject> TraceBitmap(plat::HBITMAP bitmap, int) override {
    std::unique_ptr<CGraphObject> traced = VectorizeBitmap(bitmap, true, 0);
    auto* path = dynamic_cast<CPathObject*>(traced.get());
    if (!path) return nullptr;
    traced.release();
    return std::unique_ptr<CPathObject>(path);
  }
  std::unique_ptr<CGraphObject> VectorizeBitmap(plat::HBITMAP bitmap, bool useVector,
                                                std::uint32_t callerValue) override {
    return Vectorizer().VectorizeBitmap(bitmap, useVector, callerValue);
  }
  bool HasTracer(bool useVector) override { return Vectorizer().Lib(useVector).IsBound(); }

 private:
  CImageVectorizer& Vectorizer() {
    if (!m_vectorizer) m_vectorizer = std::make_unique<CImageVectorizer>();
    return *m_vectorizer;
  }
  std::unique_ptr<CImageVectorizer> m_vectorizer;
};

}  // namespace

// --- Parameters ----------------------------------------------------------------------

const std::vector<ImageVectorField>& ImageVectorFields() {
  static const std::vector<ImageVectorField> fields = [] {
    std::vector<ImageVectorField> out;
    for (const FieldDef& f : kFields) out.push_back({f.name, f.def});
    return out;
  }();
  return fields;
}

ImageVectorParams LoadImageVectorParams(bool vector) {
  const CProfile profile;
  const char* section = vector ? "VECTOR" : "TRACE";
  ImageVectorParams p;
  p.Delta = vector ? profile.GetInt(section, "Delta", 2) : Rounded(profile.GetFloat(section, "Delta", 50.0f), 50.0f);
  if (p.Delta >= 0) {
    if (vector) ApplyVectorPreset(p);
    return p;
  }
  for (const FieldDef& f : kFields) SetField(p, f, profile.GetFloat(section, f.name, f.def));
  return p;
}

// --- Bindings ------------------------------------------------------------------------

CImageVectorLib::CImageVectorLib(const char* fileName, bool vector) : CDllHolder(fileName), m_vector(vector) {
  Load();
}

plat::HMODULE CImageVectorLib::Load() {
  if (IsLoaded()) return GetModule();
  m_entry = nullptr;
  if (!CDllHolder::Load()) return nullptr;
  Bind(m_entry, imagevector::kEntryName);
  return GetModule();
}

plat::HGLOBAL CImageVectorLib::Trace(plat::HGLOBAL mask, std::int32_t width, std::int32_t height,
                                     std::uint32_t callerValue) {
  if (!m_entry || !mask || width < imagevector::kMinSide || height < imagevector::kMinSide) return 0;
  const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
  if (pixels > imagevector::kMaxPixels || pixels > plat::GlobalSize(mask)) return 0;
  m_params = LoadImageVectorParams(m_vector);
  m_params.width = width;
  m_params.height = height;
  m_params.callerValue = callerValue;
  plat::GlobalLockGuard lock(mask);
  if (!lock) return 0;
  m_params.mask = lock.bytes();
  const plat::HGLOBAL result = m_entry(&m_params);
  m_params.mask = nullptr;
  return result;
}

// --- Bitmap colours ------------------------------------------------------------------

bool CBitmapColours::Read(plat::HBITMAP bitmap) {
  *this = CBitmapColours();
  if (!bitmap) return false;
  // The header first, then the rows with the colour table after the header.
  std::vector<std::uint8_t> info(sizeof(plat::BITMAPINFOHEADER) + 256 * sizeof(plat::RGBQUAD) + 4, 0);
  auto* bmi = reinterpret_cast<plat::BITMAPINFO*>(info.data());
  bmi->bmiHeader = plat::BITMAPINFOHEADER();
  bmi->bmiHeader.biSize = 40;
  if (plat::GetDIBits(nullptr, bitmap, 0, 0, nullptr, 0, bmi, plat::DIB_RGB_COLORS) == 0) return false;
  const plat::BITMAPINFOHEADER& h = bmi->bmiHeader;
  const int bits = h.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const std::int32_t w = h.biWidth, ht = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (w <= 0 || ht <= 0) return false;
  const std::size_t rowBytes = plat::DibRowBytes(w, bits);
  if (rowBytes == 0 || std::uint64_t(rowBytes) * std::uint64_t(ht) > (std::uint64_t(1) << 32)) return false;
  bmi->bmiHeader.biHeight = ht;  // bottom row first
  m_rows.assign(rowBytes * std::size_t(ht) + 120, 0);
  if (plat::GetDIBits(nullptr, bitmap, 0, plat::UINT(ht), m_rows.data(), m_rows.size(), bmi,
                      plat::DIB_RGB_COLORS) != ht)
    return false;
  m_rowBytes = rowBytes;
  m_bitCount = bits;
  m_width = w;
  m_height = ht;

  // A pixel equal to its left neighbour is not looked up again.
  for (std::int32_t y = 0; y < ht && m_count < 3; ++y) {
    const std::uint8_t* row = m_rows.data() + std::size_t(y) * rowBytes;
    std::uint32_t last = 0;
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint32_t v = Value(row, x);
      if (x > 0 && v == last) continue;
      last = v;
      if ((m_count > 0 && v == m_values[0]) || (m_count > 1 && v == m_values[1])) continue;
      if (m_count == 2) {
        m_count = 3;
        break;
      }
      m_values[m_count++] = v;
    }
  }
  return true;
}

std::uint32_t CBitmapColours::Value(const std::uint8_t* row, std::int32_t x) const {
  const std::size_t i = std::size_t(x);
  switch (m_bitCount) {
    case 1: return (row[i >> 3] >> (7 - (i & 7))) & 1u;
    case 4: return (row[i >> 1] >> ((i & 1) ? 0 : 4)) & 0xFu;
    case 8: return row[i];
    case 16: return std::uint32_t(row[2 * i]) | std::uint32_t(row[2 * i + 1]) << 8;
    case 24: return std::uint32_t(row[3 * i]) | std::uint32_t(row[3 * i + 1]) << 8 | std::uint32_t(row[3 * i + 2]) << 16;
    default: return std::uint32_t(row[4 * i]) | std::uint32_t(row[4 * i + 1]) << 8 | std::uint32_t(row[4 * i + 2]) << 16;
  }
}

plat::HGLOBAL CBitmapColours::MakeMask() const {
  if (m_count != 2) return 0;
  const std::uint64_t pixels = std::uint64_t(m_width) * std::uint64_t(m_height);
  if (pixels > imagevector::kMaxPixels) return 0;
  const plat::HGLOBAL mask = plat::GlobalAlloc(plat::GHND, std::size_t(pixels));
  if (!mask) return 0;
  plat::GlobalLockGuard lock(mask);
  std::uint8_t* out = lock.bytes();
  const std::uint32_t traced = m_values[1];
  for (std::int32_t y = 0; y < m_height; ++y) {
    const std::uint8_t* row = m_rows.data() + std::size_t(y) * m_rowBytes;
    for (std::int32_t x = 0; x < m_width; ++x) *out++ = Value(row, x) == traced ? 1 : 0;
  }
  return mask;
}

std::unique_ptr<CGraphObject> TraceColours(CImageVectorLib& lib, const CBitmapColours& colours,
                                           std::uint32_t callerValue) {
  plat::GlobalBlock mask(colours.MakeMask());
  if (!mask.get()) return nullptr;
  plat::HGLOBAL result = 0;
  {
    WaitCursor wait;
    result = lib.Trace(mask.get(), colours.Width(), colours.Height(), callerValue);
  }
  return TakeResultBlock(result);
}

// --- Vectorizer ------------------------------------------------------------------------

CImageVectorizer::CImageVectorizer() = default;
CImageVectorizer::~CImageVectorizer() = default;

CImageVectorLib& CImageVectorizer::Lib(bool useVector) {
  if (useVector) return m_vector;
  return m_trace;
}

std::unique_ptr<CGraphObject> CImageVectorizer::VectorizeBitmap(plat::HBITMAP bitmap, bool useVector,
                                                                std::uint32_t callerValue) {
  CBitmapColours colours;
  if (!colours.Read(bitmap)) return nullptr;
  if (colours.Count() >= 3) {
    plat::MessageBox(kTooManyColours, "错误", plat::MB_OK | plat::MB_ICONSTOP);
    return nullptr;
  }
  if (colours.Count() < 2) return nullptr;
  return TraceColours(Lib(useVector), colours, callerValue);
}

std::unique_ptr<CGraphObject> VectorizeImage(plat::HBITMAP bitmap, fw::CWnd* dialog) {
  CVectorLib lib;
  if (!lib.IsBound()) return nullptr;
  std::unique_ptr<CGraphObject> traced;
  CBitmapColours colours;
  if (colours.Read(bitmap)) {
    if (colours.Count() >= 3)
      plat::MessageBeep();
    else if (colours.Count() == 2)
      traced = TraceColours(lib, colours, dialog ? std::uint32_t(dialog->m_hWnd) : 0);
  }
  if (dialog && dialog->m_hWnd) dialog->Invalidate(fw::TRUE);
  return traced;
}

std::unique_ptr<CTraceServices> MakeAppTraceServices() { return std::make_unique<CAppTraceServices>(); }
