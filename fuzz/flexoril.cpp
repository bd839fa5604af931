// The shape library's entry points on one hostile record: the first byte
// picks the operation, the rest is the record handed over in a block. The
// library is loaded by name, as the program loads it.
#include <cstring>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "model/flexoril.h"
#include "platform/bytes.h"
#include "platform/gmem.h"
#include "platform/library.h"

namespace {

struct Lib {
  Lib() {
    module = plat::LoadLibrary(flexoril::kFileName);
    if (!module) std::abort();
    weld[0] = plat::GetProcAddressAs<flexoril::WeldFn>(module, "dllWeld");
    weld[1] = plat::GetProcAddressAs<flexoril::WeldFn>(module, "dllWeldCut");
    weld[2] = plat::GetProcAddressAs<flexoril::WeldFn>(module, "dllWeldAnd");
    weld[3] = plat::GetProcAddressAs<flexoril::WeldFn>(module, "dllWeldXor");
    lineCut = plat::GetProcAddressAs<flexoril::LineCutFn>(module, "dllLineCut");
    figureCut = plat::GetProcAddressAs<flexoril::FigureCutFn>(module, "dllFigureCut");
    selfWeld = plat::GetProcAddressAs<flexoril::SelfWeldFn>(module, "dllSelfWeld");
    expand = plat::GetProcAddressAs<flexoril::ExpandFn>(module, "dllExpand");
    expandOutLine = plat::GetProcAddressAs<flexoril::ExpandFn>(module, "dllExpandOutLine");
    doTransform = plat::GetProcAddressAs<flexoril::DoTransformFn>(module, "dllDoTransform");
    fromData = plat::GetProcAddressAs<flexoril::CreateFromDataFn>(module, "dllTFCreateTransformFromData");
    remove = plat::GetProcAddressAs<flexoril::DeleteTransformFn>(module, "dllDeleteTransform");
  }
  plat::HMODULE module;
  flexoril::WeldFn weld[4];
  flexoril::LineCutFn lineCut;
  flexoril::FigureCutFn figureCut;
  flexoril::SelfWeldFn selfWeld;
  flexoril::ExpandFn expand, expandOutLine;
  flexoril::DoTransformFn doTransform;
  flexoril::CreateFromDataFn fromData;
  flexoril::DeleteTransformFn remove;
};

// A record in a new block, 255 after it.
plat::HGLOBAL Block(const std::uint8_t* p, std::size_t n) {
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, n + 9);
  if (!h) std::abort();
  plat::GlobalLockGuard g(h);
  std::memcpy(g.bytes(), p, n);
  g.bytes()[n] = 255;
  return h;
}

// A 10 mm square path, the other operand.
std::vector<std::uint8_t> Square() {
  std::vector<std::uint8_t> b(68, 0);
  b[0] = '#';
  b[5] = 128;
  const float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  std::memcpy(&b[24], m, sizeof m);
  plat::PutU32(&b[64], 6);
  const float pts[5][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
  const std::uint8_t flags[6] = {0x11, 1, 1, 1, 0x41, 0xFF};
  for (int i = 0; i < 6; ++i) {
    std::uint8_t r[9] = {};
    if (i < 5) {
      plat::PutF32(r, pts[i][0]);
      plat::PutF32(r + 4, pts[i][1]);
    }
    r[8] = flags[i];
    b.insert(b.end(), r, r + 9);
  }
  b.push_back(241);
  plat::PutU32(&b[1], std::uint32_t(b.size()));
  return b;
}

void Drop(plat::HGLOBAL h) {
  if (h && plat::GlobalFree(h) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  static const Lib lib;
  static const std::vector<std::uint8_t> square = Square();
  if (size < 2) return 0;
  const std::uint8_t op = data[0];
  const std::uint8_t* rec = data + 1;
  const std::size_t n = size - 1;
  const std::size_t live = plat::GlobalLiveCount();

  WeldShape shape;
  shape.record = Block(rec, n);
  // The record's own length when it fits, so that the reader gets past the block.
  shape.length = n >= 5 && plat::GetU32(rec + 1) <= n ? plat::GetU32(rec + 1) : std::uint32_t(n);
  shape.bounds = shape.target = FlexRect{0, 0, 10, 10};
  WeldShape other;
  other.record = Block(square.data(), square.size());
  other.length = std::uint32_t(square.size());

  switch (op % 9) {
    case 0:
    case 1:
    case 2:
    case 3:
      Drop(lib.weld[op % 4](&shape, &other));
      Drop(lib.weld[op % 4](&other, &shape));
      break;
    case 4:
      Drop(lib.lineCut(&shape, 5, -1, 5, 11));
      break;
    case 5:
      Drop(lib.figureCut(&shape, &other, op & 0x10));
      Drop(lib.figureCut(&other, &shape, 1));
      break;
    case 6:
      Drop(lib.selfWeld(&shape));
      break;
    case 7:
      Drop(lib.expand(shape.record, 0.5, 0, 30, 0, op >> 4));
      Drop(lib.expandOutLine(shape.record, -0.5, 0, 30, 0, op >> 4));
      break;
    case 8: {
      Drop(lib.doTransform(1 + (op >> 4) % 6, &shape));
      // Transform data: the caller hands over only whole data of its own length.
      if (n >= 4 && plat::GetU32(rec) <= n) lib.remove(lib.fromData(rec));
      break;
    }
  }
  // Inputs untouched and still ours; every result freed.
  {
    plat::GlobalLockGuard g(shape.record);
    fuzz::Require(g && std::memcmp(g.bytes(), rec, n) == 0, "input block unchanged");
  }
  Drop(shape.record);
  Drop(other.record);
  fuzz::Require(plat::GlobalLiveCount() == live, "no block kept");
  return 0;
}
