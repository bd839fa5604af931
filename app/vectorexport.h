// Vector export of a design: its texts as plain text, its outlines as HPGL
// plotter commands or as an Illustrator-style EPS file.
#pragma once
#include <string>

class CSegArray;
class CVORLAN98View;

// The file dialog's filter: text, PLT, EPS (filter indexes 1 to 3).
inline constexpr char kExportFilter[] =
    "Text File (*.TXT;*.)|*. ; *.TXT|PLT File(*.plt)|*.PLT|Illustrator 88,3.0(*.EPS)|*.EPS|";

// What a writer did: wrote the file, had nothing to write, or failed (the
// failure is reported to the user; the old file, if any, is left as it was).
enum class ExportResult { Written, Nothing, Failed };

// The texts of the objects, each followed by "\r\n"; with editor text (GBK),
// a separator line and that text after them. Nothing is written for no text.
ExportResult ExportTextList(CSegArray& objects, const std::string& editorText, const std::string& path);
// The outlines in plotter units of 0.025 mm, y up and turned within the
// drawing's own extent (upright, at the drawing's place); nothing for a
// design without outlines.
ExportResult ExportHpgl(CSegArray& objects, const std::string& path);
// A self-contained EPS: the outlines in points, y up and turned within the
// drawing's own extent as in ExportHpgl, boxed by their strokes.
ExportResult ExportEps(CSegArray& objects, const std::string& path);

// The Export command: the save dialog, then the writer the extension names.
void ExportVectorFile(CVORLAN98View& view);
