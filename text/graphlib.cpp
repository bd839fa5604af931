#include "text/graphlib.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "model/pathpoints.h"
#include "model/segarray.h"
#include "model/settings.h"
#include "platform/bytes.h"
#include "platform/codepage.h"
#include "platform/gmem.h"
#include "platform/paths.h"
#include "text/outlinecodec.h"

CMountLibList g_MountLibList;

namespace {

constexpr char kMagic[4] = {'V', 'L', 'I', 'B'};
constexpr std::size_t kTableEntriesSize = 4 * kGraphsPerKind;  // 1020
constexpr std::size_t kOldChunkOffset = 70;
constexpr std::size_t kOldChunkSize = 10;
constexpr std::size_t kOldEntrySize = 32;

bool OpenFile(CDiskFile& file, const std::string& path, const char* mode) {
  return !path.empty() && file.Open(plat::ResolvePath(path), mode);
}

bool ReadAt(CDiskFile& file, std::uint64_t at, void* dst, std::size_t n) {
  return file.Seek(at) && file.Read(dst, n) == n;
}

bool WriteAt(CDiskFile& file, std::uint64_t at, const void* src, std::size_t n) {
  return file.Seek(at) && file.Write(src, n);
}

bool ReadU32At(CDiskFile& file, std::uint64_t at, std::uint32_t& v) {
  std::uint8_t b[4];
  if (!ReadAt(file, at, b, 4)) return false;
  v = plat::GetU32(b);
  return true;
}

bool WriteU32At(CDiskFile& file, std::uint64_t at, std::uint32_t v) {
  std::uint8_t b[4];
  plat::PutU32(b, v);
  return WriteAt(file, at, b, 4);
}

// Names of a header read from a file, terminated and cut on a character boundary.
void TerminateNames(GraphLibHeader& h) {
  for (char* field : {h.name1, h.name2, h.name3}) {
    const std::string text = GraphLibText(field, 48, 47);
    SetGraphLibText(field, 48, text);
  }
}

int ReadCurrentHeader(CDiskFile& file, GraphLibHeader& h) {
  if (!ReadAt(file, 0, &h, sizeof(h))) return 0;
  if (h.version != kGraphLibVersion || h.headerSize != kGraphLibHeaderSize) return 0;
  TerminateNames(h);
  return 1;
}

int ReadOldHeader(CDiskFile& file, GraphLibHeader& h) {
  std::uint8_t raw[kOldChunkOffset];
  if (!ReadAt(file, 0, raw, sizeof(raw))) return 0;
  std::memset(&h, 0, sizeof(h));
  std::memcpy(h.magic, kMagic, 4);
  h.version = kOldGraphLibVersion;
  h.headerSize = kGraphLibHeaderSize;
  const std::string name = GraphLibText(reinterpret_cast<const char*>(raw + 16), 48, 47);
  SetGraphLibText(h.name1, 48, name);
  SetGraphLibText(h.name2, 48, name);
  SetGraphLibText(h.name3, 48, name);
  h.ratio = plat::GetU16(raw + 64);
  h.fieldB = plat::GetU16(raw + 66);
  h.fieldC = plat::GetU16(raw + 68);
  return 1;
}

GraphKindEntry MakeEntry(const char* name, std::size_t size, std::uint32_t offset) {
  GraphKindEntry e{};
  SetGraphLibText(e.name, sizeof(e.name), GraphLibText(name, size, sizeof(e.name) - 1));
  e.offset = offset;
  return e;
}

}  // namespace

GraphLibHeader MakeGraphLibHeader() {
  GraphLibHeader h;
  std::memset(&h, 0, sizeof(h));
  std::memcpy(h.magic, kMagic, 4);
  h.version = kGraphLibVersion;
  h.headerSize = kGraphLibHeaderSize;
  h.ratio = 1024;
  return h;
}

void SetGraphLibText(char* field, std::size_t size, const std::string& text) {
  std::memset(field, 0, size);
  if (size == 0) return;
  std::memcpy(field, text.data(), plat::GbkPrefixLength(text, size - 1));
}

std::string GraphLibText(const char* field, std::size_t size, std::size_t max) {
  const std::string_view view(field, size);
  return std::string(field, plat::GbkPrefixLength(view, std::min(max, size)));
}

// --- Free operations on files -------------------------------------------------

float ProbeGraphLibVersion(const std::string& path) {
  CDiskFile file;
  if (!OpenFile(file, path, "rb")) return -1.0f;
  std::uint8_t raw[kGraphLibHeaderSize] = {};
  const std::size_t got = file.Read(raw, sizeof(raw));
  const std::size_t textBytes = std::min<std::size_t>(got, 20);
  const char* text = reinterpret_cast<const char*>(raw);
  const std::size_t len = strnlen(text, textBytes);
  if (len < textBytes && std::strcmp(text, kOldGraphLibText) == 0) return kOldGraphLibVersion;
  if (got >= 8 && std::memcmp(raw, kMagic, 4) == 0) return plat::GetF32(raw + 4);
  return -1.0f;
}

int ReadGraphLibHeader(const std::string& path, GraphLibHeader* header) {
  if (!header) return 0;
  const float v = ProbeGraphLibVersion(path);
  if (!(v > 0.0f)) return 0;
  CDiskFile file;
  if (!OpenFile(file, path, "rb")) return 0;
  GraphLibHeader h;
  const int ok = v == kGraphLibVersion ? ReadCurrentHeader(file, h) : ReadOldHeader(file, h);
  if (ok) *header = h;
  return ok;
}

int ReadGraphLibName(const std::string& path, std::string& name) {
  GraphLibHeader h;
  if (!ReadGraphLibHeader(path, &h)) return 0;
  name = GraphLibText(h.name1, sizeof(h.name1), 47);
  return 1;
}

int WriteGraphLibHeader(const std::string& path, const GraphLibHeader& header) {
  if (header.version != kGraphLibVersion || header.headerSize != kGraphLibHeaderSize) return 0;
  CDiskFile file;
  if (!OpenFile(file, path, "wb")) return 0;
  return file.Write(&header, sizeof(header)) ? 1 : 0;
}

int WriteGraphLibHeaderFields(const std::string& path, const GraphLibHeader& header,
                              std::uint32_t mask) {
  struct Field {
    std::uint32_t bit;
    std::size_t offset;
    std::size_t size;
  };
  static constexpr Field kFields[] = {
      {GLH_MAGIC, 0, 4},       {GLH_VERSION, 4, 4},    {GLH_SIZE, 8, 4},
      {GLH_KIND_COUNT, 12, 4}, {GLH_RATIO, 16, 2},     {GLH_FIELD_B, 18, 2},
      {GLH_FIELD_C, 20, 2},    {GLH_NAME1, 22, 48},    {GLH_NAME2, 70, 48},
      {GLH_NAME3, 118, 48},    {GLH_FIRST_KIND, 166, 4},
  };
  CDiskFile file;
  if (!OpenFile(file, path, "r+b")) return 0;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&header);
  for (const Field& f : kFields)
    if ((mask & f.bit) && !WriteAt(file, f.offset, bytes + f.offset, f.size)) return 0;
  return 1;
}

int SetGraphLibName(const std::string& path, const std::string& name) {
  GraphLibHeader h;
  if (!ReadGraphLibHeader(path, &h) || h.version != kGraphLibVersion) return 0;
  SetGraphLibText(h.name1, sizeof(h.name1), name);
  return WriteGraphLibHeaderFields(path, h, GLH_NAME1);
}

std::string GetMountLibPath() {
  std::vector<char> buf(4096);
  g_IniFile.GetString("PATH", "MOUNTLIB", buf.data(), int(buf.size()), "C:\\VORLAN\\MOUNTLIB\\");
  std::string path(buf.data());
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path.push_back('\\');
  return path;
}

// --- CGraphLib ----------------------------------------------------------------

CGraphLib::CGraphLib(const std::string& path) : path_(path) {
  std::memset(&header_, 0, sizeof(header_));
  header_.ratio = 1024;
}

CGraphLib::~CGraphLib() = default;

int CGraphLib::Open(const std::string& name) {
  if (name.empty()) return 0;
  const std::size_t slash = name.find_last_of("\\/");
  const bool hasFolder = slash != std::string::npos || (name.size() >= 2 && name[1] == ':');
  if (hasFolder) return OpenPath(name);
  std::string base = name;
  if (const std::size_t dot = base.rfind('.'); dot != std::string::npos) base.resize(dot);
  return OpenPath(GetMountLibPath() + base + ".LIB");
}

int CGraphLib::OpenPath(const std::string& path) {
  kinds_.clear();
  path_ = path;
  std::memset(&header_, 0, sizeof(header_));
  const float v = ProbeGraphLibVersion(path);
  int ok = 0;
  if (v >= 5.0f && v < 6.0f)
    ok = OpenOld();
  else if (v == kGraphLibVersion)
    ok = OpenCurrent();
  if (!ok) {
    kinds_.clear();
    std::memset(&header_, 0, sizeof(header_));
  }
  return ok;
}

int CGraphLib::OpenMounted(int index) {
  std::string name;
  if (!g_MountLibList.GetFileName(index, name)) return 0;
  return OpenPath(GetMountLibPath() + name);
}

int CGraphLib::OpenCurrent() {
  CDiskFile file;
  if (!OpenFile(file, path_, "rb") || !ReadCurrentHeader(file, header_)) return 0;
  const std::uint64_t length = file.GetLength();
  // Kinds are bounded by what the file can hold; the chain stops outside the
  // file, at an offset seen before or at the stored count.
  const std::uint64_t most = std::min<std::uint64_t>(header_.kindCount, length / sizeof(GraphKindRecord));
  std::set<std::uint32_t> seen;
  std::uint32_t at = header_.firstKind;
  while (at >= 1 && kinds_.size() < most) {
    if (std::uint64_t(at) + sizeof(GraphKindRecord) > length || !seen.insert(at).second) break;
    GraphKindRecord rec;
    if (!ReadAt(file, at, &rec, sizeof(rec))) break;
    kinds_.push_back(MakeEntry(rec.name, sizeof(rec.name), at));
    at = rec.next;
  }
  header_.kindCount = std::uint32_t(kinds_.size());
  return 1;
}

int CGraphLib::OpenOld() {
  CDiskFile file;
  if (!OpenFile(file, path_, "rb") || !ReadOldHeader(file, header_)) return 0;
  const std::uint64_t length = file.GetLength();
  std::uint8_t chunk[kOldChunkSize];
  if (!ReadAt(file, kOldChunkOffset, chunk, sizeof(chunk))) return 0;
  const std::uint64_t most = length / kOldEntrySize;
  std::set<std::uint32_t> seen{std::uint32_t(kOldChunkOffset)};
  std::vector<std::uint8_t> raw;
  for (;;) {
    const std::uint16_t n = plat::GetU16(chunk);
    const std::uint32_t entries = plat::GetU32(chunk + 2);
    const std::int32_t next = std::int32_t(plat::GetU32(chunk + 6));
    const std::uint64_t bytes = std::uint64_t(n) * kOldEntrySize;
    if (kinds_.size() + n > most || entries + bytes > length) break;
    raw.resize(bytes);
    if (!ReadAt(file, entries, raw.data(), raw.size())) break;
    for (std::uint16_t k = 0; k < n; ++k) {
      const std::uint8_t* e = raw.data() + std::size_t(k) * kOldEntrySize;
      kinds_.push_back(MakeEntry(reinterpret_cast<const char*>(e), 28, plat::GetU32(e + 28)));
    }
    if (next <= 0 || std::uint64_t(next) + kOldChunkSize > length ||
        !seen.insert(std::uint32_t(next)).second || !ReadAt(file, std::uint32_t(next), chunk, sizeof(chunk)))
      break;
  }
  // The kinds end at the first one without a name.
  const auto end = std::find_if(kinds_.begin(), kinds_.end(),
                                [](const GraphKindEntry& e) { return e.name[0] == 0; });
  kinds_.erase(end, kinds_.end());
  header_.kindCount = std::uint32_t(kinds_.size());
  return 1;
}

std::string CGraphLib::GetKindName(int kind) const {
  if (kind < 0 || kind >= GetKindCount()) return {};
  return GraphLibText(kinds_[std::size_t(kind)].name, 28, 27);
}

std::uint32_t CGraphLib::GetKindOffset(int kind) const {
  if (kind < 0 || kind >= GetKindCount()) return 0;
  return kinds_[std::size_t(kind)].offset;
}

int CGraphLib::ReadKindRecord(int kind, GraphKindRecord* record) const {
  if (!record) return 0;
  std::memset(record, 0, sizeof(*record));
  if (!IsCurrent() || kind < 0 || kind >= GetKindCount()) return 0;
  CDiskFile file;
  if (!OpenFile(file, path_, "rb")) return 0;
  if (!ReadAt(file, GetKindOffset(kind), record, sizeof(*record))) {
    std::memset(record, 0, sizeof(*record));
    return 0;
  }
  return 1;
}

std::uint32_t CGraphLib::TableOffset(int kind) const {
  if (!IsCurrent()) return GetKindOffset(kind);
  GraphKindRecord rec;
  return ReadKindRecord(kind, &rec) ? rec.tableOffset : 0;
}

int CGraphLib::RenameKind(int kind, const std::string& text) {
  GraphKindRecord rec;
  if (!ReadKindRecord(kind, &rec)) return 0;
  std::memset(rec.name, 0, sizeof(rec.name));
  rec.name[0] = '?';
  if (!text.empty()) SetGraphLibText(rec.name, sizeof(rec.name), text);
  CDiskFile file;
  if (!OpenFile(file, path_, "r+b") || !WriteAt(file, GetKindOffset(kind), &rec, sizeof(rec)))
    return 0;
  GraphKindEntry& e = kinds_[std::size_t(kind)];
  e = MakeEntry(rec.name, sizeof(rec.name), e.offset);
  return 1;
}

int CGraphLib::AddKind(const GraphKindRecord& record) {
  if (!IsCurrent()) return 0;
  CDiskFile file;
  if (!OpenFile(file, path_, "r+b")) return 0;
  const std::uint64_t p = file.GetLength();
  if (p < kGraphLibHeaderSize || p + sizeof(GraphKindRecord) + kGraphTableSize > 0xFFFFFFFFu)
    return 0;
  // The new kind first, then the link to it: a failed write leaves the
  // chain as it was.
  GraphKindRecord rec = record;
  rec.size = sizeof(GraphKindRecord);
  rec.next = 0;
  rec.tableOffset = std::uint32_t(p + sizeof(GraphKindRecord));
  rec.graphCount = 0;
  const std::vector<std::uint8_t> table(kGraphTableSize, 0);
  if (!WriteAt(file, p, &rec, sizeof(rec)) || !file.Write(table.data(), table.size())) return 0;
  if (!kinds_.empty()) {
    GraphKindRecord last;
    const std::uint32_t lastAt = kinds_.back().offset;
    if (!ReadAt(file, lastAt, &last, sizeof(last))) return 0;
    last.next = std::uint32_t(p);
    if (!WriteAt(file, lastAt, &last, sizeof(last))) return 0;
  } else {
    std::uint8_t b[4];
    plat::PutU32(b, std::uint32_t(p));
    if (!WriteAt(file, offsetof(GraphLibHeader, firstKind), b, 4)) return 0;
    header_.firstKind = std::uint32_t(p);
  }
  if (!WriteU32At(file, offsetof(GraphLibHeader, kindCount), std::uint32_t(kinds_.size() + 1)))
    return 0;
  kinds_.push_back(MakeEntry(rec.name, sizeof(rec.name), std::uint32_t(p)));
  header_.kindCount = std::uint32_t(kinds_.size());
  return 1;
}

bool CGraphLib::ReadGraphTable(int kind, std::array<std::uint32_t, kGraphsPerKind>& table) const {
  const std::uint32_t at = TableOffset(kind);
  if (at == 0) return false;
  CDiskFile file;
  std::uint8_t raw[kTableEntriesSize];
  if (!OpenFile(file, path_, "rb") || !ReadAt(file, at, raw, sizeof(raw))) return false;
  for (int j = 0; j < kGraphsPerKind; ++j) table[std::size_t(j)] = plat::GetU32(raw + 4 * j);
  return true;
}

int CGraphLib::WriteGraphTable(int kind, const std::array<std::uint32_t, kGraphsPerKind>& table) {
  if (!IsCurrent()) return 0;
  const std::uint32_t at = TableOffset(kind);
  CDiskFile file;
  if (at == 0 || !OpenFile(file, path_, "r+b") || std::uint64_t(at) + kTableEntriesSize > file.GetLength()) return 0;
  std::uint8_t raw[kTableEntriesSize];
  for (int j = 0; j < kGraphsPerKind; ++j) plat::PutU32(raw + 4 * j, table[std::size_t(j)]);
  return WriteAt(file, at, raw, sizeof(raw)) ? 1 : 0;
}

std::uint32_t CGraphLib::GetGraphOffset(int kind, int graph) const {
  if (graph < 0 || graph >= kGraphsPerKind) return 0;
  const std::uint32_t at = TableOffset(kind);
  if (at == 0) return 0;
  CDiskFile file;
  std::uint32_t v = 0;
  if (!OpenFile(file, path_, "rb") || !ReadU32At(file, std::uint64_t(at) + 4 * std::uint64_t(graph), v))
    return 0;
  return v;
}

std::int64_t CGraphLib::GetFreeSlotOffset(int kind) const {
  if (!IsCurrent() || kind < 0 || kind >= GetKindCount() || GetKindOffset(kind) < 1) return -1;
  CDiskFile file;
  if (!OpenFile(file, path_, "rb")) return -1;
  GraphKindRecord rec;
  if (!ReadAt(file, GetKindOffset(kind), &rec, sizeof(rec))) return -1;
  if (rec.graphCount >= std::uint32_t(kGraphsPerKind)) return -1;
  const std::uint64_t slot = std::uint64_t(rec.tableOffset) + 4 * std::uint64_t(rec.graphCount);
  if (rec.tableOffset == 0 || slot + 4 > file.GetLength()) return -1;
  return std::int64_t(slot);
}

std::unique_ptr<CPathPointList> CGraphLib::ReadGraph(int kind, int graph,
                                                     const CMatrix3* matrix) const {
  const std::uint32_t at = GetGraphOffset(kind, graph);
  if (at == 0) return nullptr;
  CDiskFile file;
  if (!OpenFile(file, path_, "rb")) return nullptr;
  const std::uint64_t length = file.GetLength();
  std::uint32_t total = 0;
  if (std::uint64_t(at) + 4 > length || !ReadU32At(file, at, total) || total == 0) return nullptr;
  const std::uint64_t left = length - at - 4;
  std::uint64_t n;
  if (IsCurrent()) {
    // The whole block must be in the file.
    if (total <= 4 || total - 4 > left) return nullptr;
    n = total - 4;
  } else {
    n = std::min<std::uint64_t>(total, left);
  }
  std::vector<std::uint8_t> data(n);
  if (file.Read(data.data(), data.size()) != data.size()) return nullptr;
  COutlineCodec codec;
  return codec.DecodeData(data.data(), data.size(), matrix, header_.version);
}

int CGraphLib::AddGraph(int kind, CPathPointList& outline) {
  const std::int64_t slot = GetFreeSlotOffset(kind);
  if (slot < 0) return 0;
  if (!outline.matrix.IsIdentity()) outline.ApplyTransform();
  COutlineCodec codec;
  plat::HGLOBAL h = 0;
  const std::uint32_t size = codec.Encode(outline, &h);
  plat::GlobalBlock block(h);
  if (size == 0 || !h) return 0;
  plat::GlobalLockGuard g(h);
  if (!g || g.size() < size) return 0;
  CDiskFile file;
  if (!OpenFile(file, path_, "r+b")) return 0;
  const std::uint64_t q = file.GetLength();
  if (q + size > 0xFFFFFFFFu) return 0;
  if (!WriteAt(file, q, g.bytes(), size) || !WriteU32At(file, std::uint64_t(slot), std::uint32_t(q)))
    return 0;
  GraphKindRecord rec;
  const std::uint32_t at = GetKindOffset(kind);
  if (!ReadAt(file, at, &rec, sizeof(rec))) return 0;
  ++rec.graphCount;
  return WriteAt(file, at, &rec, sizeof(rec)) ? 1 : 0;
}

int CGraphLib::DeleteGraph(int kind, int graph) {
  if (!IsCurrent() || graph < 0 || graph >= kGraphsPerKind) return 0;
  std::array<std::uint32_t, kGraphsPerKind> table;
  if (!ReadGraphTable(kind, table) || table[std::size_t(graph)] == 0) return 0;
  GraphKindRecord rec;
  if (!ReadKindRecord(kind, &rec)) return 0;
  if (rec.graphCount > 0) --rec.graphCount;
  std::copy(table.begin() + graph + 1, table.end(), table.begin() + graph);
  table.back() = 0;
  CDiskFile file;
  if (!OpenFile(file, path_, "r+b") || !WriteAt(file, GetKindOffset(kind), &rec, sizeof(rec))) return 0;
  file.Close();
  return WriteGraphTable(kind, table);
}

// --- CMountLibList ------------------------------------------------------------

void CMountLibList::Clear() {
  names_.clear();
  fileNames_.clear();
}

int CMountLibList::ScanMountedLibraries() {
  Clear();
  const std::string folder = GetMountLibPath();
  for (const std::string& file : plat::ListFolderNoCase(folder, "*.Lib")) {
    std::string name;
    if (!ReadGraphLibName(folder + file, name)) continue;
    names_.push_back(name.substr(0, plat::GbkPrefixLength(name, 39)));
    fileNames_.push_back(file);
  }
  return GetCount();
}

bool CMountLibList::GetName(int index, std::string& name) const {
  if (index < 0 || index >= GetCount()) return false;
  name = names_[std::size_t(index)];
  return true;
}

bool CMountLibList::GetFileName(int index, std::string& name) const {
  if (index < 0 || index >= GetCount()) return false;
  name = fileNames_[std::size_t(index)];
  return true;
}

std::unique_ptr<CPathPointList> CMountLibList::ReadGraph(int index, int kind, int graph,
                                                         const CMatrix3* matrix) const {
  std::string name;
  if (!GetFileName(index, name)) return nullptr;
  CGraphLib lib;
  if (!lib.Open(name)) return nullptr;
  return lib.ReadGraph(kind, graph, matrix);
}
