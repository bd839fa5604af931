#include "importfilter/filetype.h"

#include <gtest/gtest.h>

#include <string>

#include "import_test_util.h"
#include "platform/tests/temp_dir.h"

using namespace imp;

TEST(SniffImportBytes, ContentDecidesTheType) {
  struct Case {
    std::string bytes;
    int type;
  } cases[] = {
      {"IN;PU0,0;", IT_PLT},
      {"IN PU0,0 PD10,10", IT_HPGL_ASCII},
      {"  \r\n\t \n  IN;PU0,0;", IT_PLT},
      {";IN;PU0,0", IT_PLT},
      {";:H A L0 ECN U", IT_PLT_COLON},
      {"  ;:H A", IT_PLT_COLON},
      {std::string("IN PU0,0 \xB0 PD"), IT_HPGL_HIGH},
      {"%!PS-Adobe-3.0 EPSF", IT_EPS},
      {"BM\x36\x00", IT_BMP},
      {"II*\x00", IT_TIFF},
      {"PU0,0;PD10,10;", IT_NOT_SNIFFED},
      {"", IT_NOT_SNIFFED},
      {"in;", IT_NOT_SNIFFED},
      // A ';' beyond the first 390 bytes is not seen.
      {"IN " + std::string(400, 'A') + ";", IT_HPGL_ASCII},
      // A zero byte ends the text that is searched for ';'.
      {std::string("IN PU\0;", 7), IT_HPGL_ASCII},
      // Blanks are skipped only within the first hundred bytes.
      {std::string(120, ' ') + "IN;", IT_NOT_SNIFFED},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SniffImportBytes(U8(c.bytes), c.bytes.size()), c.type) << c.bytes.substr(0, 30);
}

TEST(GetImportFileType, ContentFirstThenExtension) {
  TempDir dir;
  struct Case {
    std::string name, bytes;
    int type;
  } cases[] = {
      {"x.eps", "%!PS-Adobe", IT_EPS},
      {"x.plt", "BM....", IT_BMP},
      {"x.plt", "IN;PU0,0;", IT_PLT},
      {"x.plt", "PU0,0;PD10,10;", IT_PLT},
      {"x.AI", "junk", IT_EPS},
      {"x.dxf", "  0\nSECTION\n", IT_DXF},
      {"x.Dxf", "  0\nSECTION\n", IT_DXF},
      {"x.txt", "hello", IT_TEXT},
      {"x.cut", "..", IT_CUT},
      {"x.cv5", "..", IT_CV5},
      {"x.v95", "..", IT_UNKNOWN},
      {"x.xyz", "..", IT_UNKNOWN},
      {"noext", "..", IT_UNKNOWN},
      {"dir.eps/x", "..", IT_UNKNOWN},
  };
  std::filesystem::create_directories(dir / "dir.eps");
  for (const Case& c : cases) {
    WriteFileBytes(dir / c.name, c.bytes);
    EXPECT_EQ(GetImportFileType((dir / c.name).c_str()), c.type) << c.name;
  }
  EXPECT_EQ(GetImportFileType((dir / "missing.eps").c_str()), IT_EPS);
  EXPECT_EQ(GetImportFileType((dir / "missing.zzz").c_str()), IT_UNKNOWN);
}
