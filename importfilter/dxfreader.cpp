#include "importfilter/dxfreader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "importfilter/filterio.h"

namespace imp {
namespace {

constexpr float kCircleHandle = 0.553f;

class DxfLines {
 public:
  DxfLines(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
  // The next line without its line end, trimmed of blanks and control
  // bytes, cut at kMaxDxfLine; false at the end of the data.
  bool Next(std::string_view& line) {
    if (pos_ >= n_) return false;
    std::size_t s = pos_;
    while (pos_ < n_ && d_[pos_] != '\r' && d_[pos_] != '\n') ++pos_;
    std::size_t e = pos_;
    if (pos_ < n_ && d_[pos_] == '\r') ++pos_;
    if (pos_ < n_ && d_[pos_] == '\n') ++pos_;
    while (s < e && d_[s] <= 32) ++s;
    while (e > s && d_[e - 1] <= 32) --e;
    line = std::string_view(reinterpret_cast<const char*>(d_ + s), std::min(e - s, kMaxDxfLine));
    return true;
  }
  // A group code and its value; false at the end of the data.
  bool Pair(int& code, std::string_view& value) {
    std::string_view c;
    if (!Next(c) || !Next(value)) return false;
    code = -1;
    std::from_chars(c.data(), c.data() + c.size(), code);
    return true;
  }

 private:
  const std::uint8_t* d_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

float DxfNumber(std::string_view v) {
  if (!v.empty() && v[0] == '+') v.remove_prefix(1);
  double x = 0;
  const auto r = std::from_chars(v.data(), v.data() + v.size(), x);
  if (r.ec != std::errc() || !std::isfinite(x)) return 0;
  return float(std::clamp(x, -1e9, 1e9));
}

int DxfInt(std::string_view v) { return SaturateToInt(DxfNumber(v)); }

enum class Entity { None, Line, Circle, LwPolyline, Polyline, Vertex, Other };

struct EntityState {
  Entity kind = Entity::None;
  float x10 = 0, y20 = 0, x11 = 0, y21 = 0, r40 = 0;
  unsigned seen = 0;  // 1: 10, 2: 20, 4: 11, 8: 21, 16: 40
  bool closed = false;
  bool xWaiting = false;
  std::vector<FPoint> points;
};

void EndOpenList(std::vector<FPoint>& pts, bool closed, std::vector<FPoint>& out) {
  if (pts.size() < 2) {
    pts.clear();
    return;
  }
  if (closed) pts.push_back({pts.front().x, pts.front().y, F_MID});
  FPoint& last = pts.back();
  last.flags = (last.x == pts.front().x && last.y == pts.front().y) ? F_CLOSED : F_OPEN;
  pts.front().flags = F_FIRST;
  out.insert(out.end(), pts.begin(), pts.end());
  pts.clear();
}

void CircleOutline(float x, float y, float r, std::vector<FPoint>& out) {
  const float k = kCircleHandle * r;
  const FPoint p[13] = {
      {x + r, y, F_FIRST},    {x + r, y + k, 0}, {x + k, y + r, 0}, {x, y + r, F_MID},
      {x - k, y + r, 0},      {x - r, y + k, 0}, {x - r, y, F_MID}, {x - r, y - k, 0},
      {x - k, y - r, 0},      {x, y - r, F_MID}, {x + k, y - r, 0}, {x + r, y - k, 0},
      {x + r, y, F_CLOSED}};
  out.insert(out.end(), p, p + 13);
}

}  // namespace

bool CDxfReader::ReadData(const std::uint8_t* data, std::size_t size, CFilterPathList& list) {
  static constexpr std::string_view kBinary = "AutoCAD Binary DXF";
  if (size >= kBinary.size() && std::memcmp(data, kBinary.data(), kBinary.size()) == 0) return false;
  DxfLines lines(data, size);
  int code;
  std::string_view value;
  // Find the ENTITIES section.
  bool inEntities = false;
  while (!inEntities && lines.Pair(code, value)) {
    if (code != 0 || value != "SECTION") continue;
    if (!lines.Pair(code, value)) break;
    inEntities = code == 2 && value == "ENTITIES";
  }
  if (!inEntities) return false;

  std::vector<FPoint> out;
  EntityState e;
  std::vector<FPoint> poly;  // POLYLINE vertices so far
  bool polyOpen = false, polyClosed = false;

  auto finishEntity = [&] {
    switch (e.kind) {
      case Entity::Line:
        if ((e.seen & 15) == 15) {
          out.push_back({e.x10, e.y20, F_FIRST});
          out.push_back({e.x11, e.y21, F_OPEN});
        }
        break;
      case Entity::Circle:
        if ((e.seen & 19) == 19 && e.r40 > 0) CircleOutline(e.x10, e.y20, e.r40, out);
        break;
      case Entity::LwPolyline:
        EndOpenList(e.points, e.closed, out);
        break;
      case Entity::Vertex:
        if ((e.seen & 3) == 3) poly.push_back({e.x10, e.y20, F_MID});
        break;
      default:
        break;
    }
    e = EntityState();
  };
  auto finishPolyline = [&] {
    if (polyOpen) EndOpenList(poly, polyClosed, out);
    poly.clear();
    polyOpen = polyClosed = false;
  };

  while (lines.Pair(code, value)) {
    if (code == 0) {
      finishEntity();
      if (value == "ENDSEC" || value == "EOF") break;
      if (value == "VERTEX" && polyOpen) {
        e.kind = Entity::Vertex;
        continue;
      }
      if (value == "SEQEND") {
        finishPolyline();
        e.kind = Entity::Other;
        continue;
      }
      finishPolyline();
      if (value == "LINE") {
        e.kind = Entity::Line;
      } else if (value == "CIRCLE") {
        e.kind = Entity::Circle;
      } else if (value == "LWPOLYLINE") {
        e.kind = Entity::LwPolyline;
      } else if (value == "POLYLINE") {
        e.kind = Entity::Polyline;
        polyOpen = true;
      } else if (value == "MVIEW") {
        out.clear();
        e.kind = Entity::Other;
      } else {
        e.kind = Entity::Other;
      }
      continue;
    }
    switch (e.kind) {
      case Entity::Line:
      case Entity::Circle:
      case Entity::Vertex:
        if (code == 10) e.x10 = DxfNumber(value), e.seen |= 1;
        if (code == 20) e.y20 = DxfNumber(value), e.seen |= 2;
        if (code == 11) e.x11 = DxfNumber(value), e.seen |= 4;
        if (code == 21) e.y21 = DxfNumber(value), e.seen |= 8;
        if (code == 40) e.r40 = DxfNumber(value), e.seen |= 16;
        break;
      case Entity::LwPolyline:
        if (code == 70) e.closed = (DxfInt(value) & 1) != 0;
        if (code == 10) {
          e.points.push_back({DxfNumber(value), 0, F_MID});
          e.xWaiting = true;
        }
        if (code == 20 && e.xWaiting) {
          e.points.back().y = DxfNumber(value);
          e.xWaiting = false;
        }
        break;
      case Entity::Polyline:
        if (code == 70) polyClosed = (DxfInt(value) & 1) != 0;
        break;
      default:
        break;
    }
  }
  finishEntity();
  finishPolyline();
  if (out.empty()) return false;
  list = CFilterPathList();
  list.Points() = std::move(out);
  if (list.PointCount() < 3) return false;
  list.AppendEnd();
  list.SetUpright(1);
  return true;
}

plat::HGLOBAL CDxfReader::Read(const char* path, std::uint32_t) {
  auto data = ReadWholeFile(path);
  if (!data) return 0;
  CFilterPathList list;
  if (!ReadData(data->data(), data->size(), list)) return 0;
  return list.ObjectBlock();
}

}  // namespace imp
