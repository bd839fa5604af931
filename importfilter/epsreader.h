// EPS/AI reading: the path operators of PostScript and Illustrator files,
// with the prolog's own names for them, into one path.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "importfilter/pathlist.h"
#include "platform/gmem.h"

namespace imp {

enum EpsOperator : int {
  EO_MOVE = 1,
  EO_LINE = 2,
  EO_CURVE = 3,
  EO_CURVE_V = 4,  // the current point is the first control point
  EO_CURVE_Y = 5,  // the end point is the second control point
  EO_NEWPATH = 16,
  EO_CLOSE = 17,
  EO_ENDPATH = 18,
  EO_TRAILER = 61440,
  EO_UNKNOWN = 28673,
};

// Longest word read; a longer one is skipped whole.
constexpr std::size_t kMaxEpsWord = 182;
// Deepest expansion of one definition through others.
constexpr int kMaxExpandDepth = 16;

// Words of PostScript text: comments (but "%%Trailer") and strings skipped,
// brackets words of their own.
class CEpsWords {
 public:
  CEpsWords(const std::uint8_t* data, std::size_t size, std::size_t pos = 0) : d_(data), n_(size), pos_(pos) {}
  // False at the end of the text.
  bool Next(std::string_view& word);

 private:
  const std::uint8_t* d_;
  std::size_t n_;
  std::size_t pos_;
};

class CEpsReader {
 public:
  // The path in an object block; null without points or on a bad path.
  plat::HGLOBAL Read(const char* path, std::uint32_t value);

  // Reads the drawing of a whole file into `list` (end record included) and
  // sets its matrix to the mirror about the middle of the bounds, then
  // `scale`. The file's prolog is used when it has one, else `defaultProlog`
  // (false when that is missing). False for a line or curve before the
  // first move (the message shown) or a file without points.
  bool ReadData(const std::uint8_t* data, std::size_t size, const std::string* defaultProlog, float scale,
                CFilterPathList& list);

  // Takes in the definitions of a prolog text.
  void LoadProlog(const std::uint8_t* text, std::size_t size);
  // The path operator a word performs, directly or through the prolog.
  int OperatorOf(std::string_view word);

 private:
  int Expand(const std::string& name, int depth);
  std::unordered_map<std::string, std::vector<std::string>> defs_;
  std::unordered_map<std::string, int> cache_;
};

}  // namespace imp
