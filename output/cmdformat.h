// Command templates of the device models come from a file the user edits: they
// are expanded here, never by printf.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Expands a template with integer arguments, taken in order. Conversions
// d i u x X o c with flags (- + space # 0), a width and a precision (each up
// to 255) and the length letters h hh l ll; "%%" gives one per cent sign. A
// conversion of any other kind, one that is cut short, and one beyond the
// arguments are copied as they stand.
std::string FormatCommand(std::string_view tmpl, std::span<const std::int32_t> args = {});
// The same appended to `out`; returns how many of the appended bytes come
// before the first zero byte (all of them without one).
std::size_t AppendCommand(std::string& out, std::string_view tmpl, std::span<const std::int32_t> args = {});
