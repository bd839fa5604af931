#include "output/cmdformat.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>

namespace {

constexpr int kMaxField = 255;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

struct FormatField {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = 0;
  int precision = -1;
  int length = 0;  // -2 hh, -1 h, 0 none, 1 l, 2 ll
  char conv = 0;
};

// Digits at text[i...], saturating at kMaxField + 1.
int ReadNumber(std::string_view text, std::size_t& i) {
  int v = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    v = std::min(v * 10 + (text[i] - '0'), kMaxField + 1);
    ++i;
  }
  return v;
}

// Appends one conversion of the argument.
void Convert(std::string& out, const FormatField& sp, std::int32_t arg) {
  char sign = 0;
  std::string_view prefix;
  char digits[12];  // a 32-bit value has at most 11 octal digits
  std::size_t first = sizeof digits;
  std::size_t zeros = 0;
  if (sp.conv == 'c') {
    digits[--first] = char(static_cast<unsigned char>(arg));
  } else {
    std::int32_t sv = arg;
    std::uint32_t uv = std::uint32_t(arg);
    if (sp.length == -1) sv = std::int16_t(arg), uv = std::uint16_t(arg);
    if (sp.length == -2) sv = std::int8_t(arg), uv = std::uint8_t(arg);
    const bool isSigned = sp.conv == 'd' || sp.conv == 'i';
    unsigned base = 10;
    if (sp.conv == 'x' || sp.conv == 'X') base = 16;
    if (sp.conv == 'o') base = 8;
    if (isSigned) {
      if (sv < 0) {
        sign = '-';
        uv = 0u - std::uint32_t(sv);
      } else {
        uv = std::uint32_t(sv);
        if (sp.plus) sign = '+';
        else if (sp.space) sign = ' ';
      }
    }
    const char* set = sp.conv == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    if (!(sp.precision == 0 && uv == 0)) {
      // One loop per base, so that each divides by a constant.
      std::uint32_t v = uv;
      auto put = [&](auto b) {
        do {
          digits[--first] = set[v % b];
          v /= b;
        } while (v);
      };
      if (base == 10)
        put(std::integral_constant<std::uint32_t, 10>{});
      else if (base == 16)
        put(std::integral_constant<std::uint32_t, 16>{});
      else
        put(std::integral_constant<std::uint32_t, 8>{});
    }
    const std::size_t n = sizeof digits - first;
    if (sp.precision > int(n)) zeros = std::size_t(sp.precision) - n;
    if (sp.alt) {
      if (base == 8 && (zeros + n == 0 || (zeros == 0 && digits[first] != '0'))) ++zeros;
      if (base == 16 && uv != 0) prefix = sp.conv == 'X' ? "0X" : "0x";
    }
  }
  const std::string_view body(digits + first, sizeof digits - first);
  const std::size_t len = (sign ? 1 : 0) + prefix.size() + zeros + body.size();
  const std::size_t pad = std::size_t(sp.width) > len ? std::size_t(sp.width) - len : 0;
  const bool zeroPad = !sp.left && sp.zero && sp.precision < 0 && sp.conv != 'c';
  if (!sp.left && !zeroPad) out.append(pad, ' ');
  if (sign) out.push_back(sign);
  out.append(prefix);
  out.append(zeroPad ? zeros + pad : zeros, '0');
  out.append(body);
  if (sp.left) out.append(pad, ' ');
}

std::size_t DecimalLength(std::uint32_t u) {
  if (u < 10000) return u < 10 ? 1 : u < 100 ? 2 : u < 1000 ? 3 : 4;
  if (u < 100000000) return u < 100000 ? 5 : u < 1000000 ? 6 : u < 10000000 ? 7 : 8;
  return u < 1000000000 ? 9 : 10;
}

// The decimal digits of u, written backwards ending before p, two a step.
char* PutDecimal(char* p, std::uint32_t u) {
  while (u >= 100) {
    const std::uint32_t r = u % 100;
    u /= 100;
    p -= 2;
    p[0] = kDigitPairs[2 * r], p[1] = kDigitPairs[2 * r + 1];
  }
  if (u >= 10) {
    p -= 2;
    p[0] = kDigitPairs[2 * u], p[1] = kDigitPairs[2 * u + 1];
  } else {
    *--p = char('0' + u);
  }
  return p;
}

}  // namespace

std::string FormatCommand(std::string_view tmpl, std::span<const std::int32_t> args) {
  std::string out;
  AppendCommand(out, tmpl, args);
  return out;
}

std::size_t AppendCommand(std::string& out, std::string_view tmpl, std::span<const std::int32_t> args) {
  const std::size_t base = out.size();
  // Literal text and plain "%d" gather here and go into `out` at once; the
  // few bytes of a command are copied by hand, not by calls.
  char buf[256];
  bool zero = false;  // a zero byte may have gone out
  std::size_t held = 0;
  auto release = [&] {
    out.append(buf, held);
    held = 0;
  };
  std::size_t next = 0;
  std::size_t i = 0;
  const std::size_t size = tmpl.size();
  while (i < size) {
    if (tmpl[i] != '%') {
      do {
        if (held == sizeof buf) release();
        zero |= tmpl[i] == '\0';
        buf[held++] = tmpl[i++];
      } while (i < size && tmpl[i] != '%');
      continue;
    }
    if (i + 1 < size && tmpl[i + 1] == 'd' && next < args.size()) {
      // The plain "%d" of the coordinates, as Convert gives it.
      const std::int32_t v = args[next++];
      const std::uint32_t u = v < 0 ? 0u - std::uint32_t(v) : std::uint32_t(v);
      const std::size_t len = (v < 0 ? 1 : 0) + DecimalLength(u);
      if (sizeof buf - held < len) release();
      char* p = PutDecimal(buf + held + len, u);
      if (v < 0) *--p = '-';
      held += len;
      i += 2;
      continue;
    }
    if (i + 1 < size && tmpl[i + 1] == '%') {
      if (held == sizeof buf) release();
      buf[held++] = '%';
      i += 2;
      continue;
    }
    release();
    zero = true;
    const std::size_t start = i++;
    FormatField sp;
    for (; i < tmpl.size(); ++i) {
      char f = tmpl[i];
      if (f == '-') sp.left = true;
      else if (f == '+') sp.plus = true;
      else if (f == ' ') sp.space = true;
      else if (f == '#') sp.alt = true;
      else if (f == '0') sp.zero = true;
      else break;
    }
    sp.width = ReadNumber(tmpl, i);
    bool ok = sp.width <= kMaxField;
    if (i < tmpl.size() && tmpl[i] == '.') {
      ++i;
      sp.precision = ReadNumber(tmpl, i);
      ok = ok && sp.precision <= kMaxField;
    }
    if (i < tmpl.size() && (tmpl[i] == 'h' || tmpl[i] == 'l')) {
      char l = tmpl[i++];
      sp.length = l == 'h' ? -1 : 1;
      if (i < tmpl.size() && tmpl[i] == l) {
        sp.length *= 2;
        ++i;
      }
    }
    if (i < tmpl.size()) {
      sp.conv = tmpl[i];
      ++i;
    }
    const bool known = sp.conv && std::string_view("diuxXoc").find(sp.conv) != std::string_view::npos;
    if (!ok || !known || next >= args.size()) {
      // Copied as it stands; a cut-short conversion up to the end of the template.
      out.append(tmpl.substr(start, i - start));
      continue;
    }
    Convert(out, sp, args[next++]);
  }
  release();
  const std::size_t n = out.size() - base;
  return zero ? std::min(n, out.find('\0', base) - base) : n;
}
