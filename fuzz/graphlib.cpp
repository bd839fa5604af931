// A graphic library file: header, kind chain or old kind chunks, graph tables
// and graph records; then the edits on the same file.
#include "fuzz/fuzz_util.h"
#include "model/pathpoints.h"
#include "text/graphlib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("graph.lib", data, size);
  ProbeGraphLibVersion(path);
  std::string name;
  ReadGraphLibName(path, name);
  CGraphLib lib;
  if (!lib.OpenPath(path)) return 0;
  fuzz::Require(lib.GetKindCount() <= int(size / 32) + 1, "kinds within the file");
  const int kinds = std::min(lib.GetKindCount(), 6);
  for (int k = 0; k < kinds; ++k) {
    GraphKindRecord rec;
    lib.ReadKindRecord(k, &rec);
    std::array<std::uint32_t, kGraphsPerKind> table;
    lib.ReadGraphTable(k, table);
    for (int j = 0; j < 4; ++j) lib.ReadGraph(k, j, nullptr);
    lib.GetFreeSlotOffset(k);
  }
  // Edits: each one on the hostile file, bounded and checked.
  CPathPointList square;
  square.AddPoint(0, 0, PP_NODE | PP_START);
  square.AddPoint(10, 0, PP_NODE);
  square.AddPoint(10, 10, PP_NODE);
  square.AddPoint(0, 0, PP_NODE | PP_CLOSEEND);
  square.EndPoints();
  if (kinds > 0) {
    lib.AddGraph(0, square);
    lib.DeleteGraph(0, 0);
    lib.RenameKind(kinds - 1, "k");
    std::array<std::uint32_t, kGraphsPerKind> table;
    if (lib.ReadGraphTable(0, table)) lib.WriteGraphTable(0, table);
  }
  GraphKindRecord rec{};
  lib.AddKind(rec);
  lib.AddGraph(lib.GetKindCount() - 1, square);
  lib.ReadGraph(lib.GetKindCount() - 1, 0, nullptr);
  return 0;
}
