// Fixtures of the graphic library tests: a MOUNTLIB folder for a scope,
// outlines that tell graphs apart, and old (5.x) library files built from
// their layout.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/pathpoints.h"
#include "model/settings.h"
#include "platform/tests/temp_dir.h"
#include "text/graphlib.h"

// A fresh folder as the MOUNTLIB folder of the main settings file.
class ScopedMountFolder {
 public:
  ScopedMountFolder() : old_(g_IniFile.GetPath()) {
    ini_ = dir_ / "VORLAN98.INI";
    mount_ = dir_ / "mount/";
    std::filesystem::create_directories(mount_);
    WriteFileBytes(ini_, "[PATH]\r\nMOUNTLIB=" + mount_ + "\r\n");
    g_IniFile.SetPath(ini_);
  }
  ~ScopedMountFolder() {
    g_IniFile.SetPath(old_);
    g_MountLibList.Clear();
  }
  const std::string& mount() const { return mount_; }
  std::string operator/(const std::string& name) const { return mount_ + name; }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  std::string ini_, mount_, old_;
};

// A closed square with its left edge at x = id (so graphs tell apart).
inline std::unique_ptr<CPathPointList> Square(int id, int side = 100) {
  auto l = std::make_unique<CPathPointList>();
  const float x = float(id), s = float(side);
  l->AddPoint(x, 0, PP_NODE | PP_START);
  l->AddPoint(x + s, 0, PP_NODE);
  l->AddPoint(x + s, s, PP_NODE);
  l->AddPoint(x, s, PP_NODE);
  l->AddPoint(x, 0, PP_NODE | PP_CLOSEEND);
  l->EndPoints();
  return l;
}

// Smallest x of the points of a list (the id of a Square).
inline float LeftOf(const CPathPointList& l) {
  pathrec::Records r(l.points);
  float x = 1e30f;
  for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i)
    if (pathrec::IsPoint(r.p[i].flags)) {
      const float px = r.p[i].x;
      x = std::min(x, px);
    }
  return x;
}

// A new 6.0 library with the given kinds (graph counts, squares numbered
// kind * 1000 + j).
inline bool MakeLibrary(const std::string& path, const std::vector<int>& graphs,
                        const std::string& name = "Lib") {
  GraphLibHeader h = MakeGraphLibHeader();
  SetGraphLibText(h.name1, 48, name);
  if (!WriteGraphLibHeader(path, h)) return false;
  CGraphLib lib;
  if (!lib.OpenPath(path)) return false;
  for (std::size_t k = 0; k < graphs.size(); ++k) {
    GraphKindRecord rec{};
    SetGraphLibText(rec.name, 32, "Kind" + std::to_string(k));
    if (!lib.AddKind(rec)) return false;
    for (int j = 0; j < graphs[k]; ++j)
      if (!lib.AddGraph(int(k), *Square(int(k) * 1000 + j))) return false;
  }
  return true;
}

// --- Old (5.x) files.
struct OldKind {
  std::string name;
  std::vector<std::vector<std::uint8_t>> graphs;  // codec data after the u32 length
};

// Bytes of an old library: the text, name and fields, kind chunks of at most
// `perChunk` kinds each (the first at 70), then the entries, tables and graphs.
inline std::string MakeOldLibrary(const std::string& name, const std::vector<OldKind>& kinds,
                                  std::size_t perChunk = 2) {
  std::string f(80, '\0');
  auto put16 = [&](std::size_t at, unsigned v) {
    f[at] = char(v & 0xFF);
    f[at + 1] = char((v >> 8) & 0xFF);
  };
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = char((v >> (8 * i)) & 0xFF);
  };
  auto grow = [&](std::size_t n) {
    const std::size_t at = f.size();
    f.append(n, '\0');
    return at;
  };
  f.replace(0, 14, kOldGraphLibText);
  f.replace(16, name.size(), name);
  put16(64, 1000);
  put16(66, 7);
  put16(68, 9);
  std::size_t chunk = 70;
  for (std::size_t first = 0; first < kinds.size() || first == 0; first += perChunk) {
    const std::size_t n = std::min(perChunk, kinds.size() - first);
    const std::size_t entries = grow(32 * n);
    for (std::size_t k = 0; k < n; ++k) {
      const OldKind& kind = kinds[first + k];
      f.replace(entries + 32 * k, kind.name.size(), kind.name);
      const std::size_t table = grow(1024);
      put32(entries + 32 * k + 28, std::uint32_t(table));
      for (std::size_t j = 0; j < kind.graphs.size(); ++j) {
        const std::size_t at = grow(4 + kind.graphs[j].size());
        put32(at, std::uint32_t(4 + kind.graphs[j].size()));
        f.replace(at + 4, kind.graphs[j].size(), std::string(kind.graphs[j].begin(), kind.graphs[j].end()));
        put32(table + 4 * j, std::uint32_t(at));
      }
    }
    put16(chunk, unsigned(n));
    put32(chunk + 2, std::uint32_t(entries));
    if (first + perChunk < kinds.size()) {
      const std::size_t next = grow(10);
      put32(chunk + 6, std::uint32_t(next));
      chunk = next;
    }
    if (kinds.empty()) break;
  }
  return f;
}
