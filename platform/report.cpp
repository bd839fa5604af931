#include "platform/report.h"

#include <atomic>
#include <cstdio>

namespace plat {
namespace {

class StderrSink : public ReportSink {
 public:
  int MessageBox(std::string_view text, std::string_view caption, unsigned style) override {
    std::fprintf(stderr, "[%.*s] %.*s\n", int(caption.size()), caption.data(), int(text.size()), text.data());
    return DefaultButton(style);
  }
  void MessageBeep(unsigned) override { std::fputc('\a', stderr); }
};

StderrSink g_stderrSink;
std::atomic<ReportSink*> g_sink{nullptr};

}  // namespace

int DefaultButton(unsigned style) {
  static const int buttons[6][3] = {
      {IDOK, IDOK, IDOK},           {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
      {IDYES, IDNO, IDCANCEL},      {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL},
  };
  unsigned type = style & MB_TYPEMASK;
  if (type > 5) type = 0;
  unsigned def = (style & MB_DEFMASK) >> 8;
  if (def > 2) def = 0;
  return buttons[type][def];
}

ReportSink* SetReportSink(ReportSink* sink) { return g_sink.exchange(sink); }

ReportSink* GetReportSink() {
  ReportSink* s = g_sink.load();
  return s ? s : &g_stderrSink;
}

int MessageBox(std::string_view text, std::string_view caption, unsigned style) {
  return GetReportSink()->MessageBox(text, caption, style);
}

void MessageBeep(unsigned type) { GetReportSink()->MessageBeep(type); }

int RecordingSink::MessageBox(std::string_view text, std::string_view caption, unsigned style) {
  boxes.push_back({std::string(text), std::string(caption), style});
  if (!replies.empty()) {
    int r = replies.front();
    replies.erase(replies.begin());
    return r;
  }
  return DefaultButton(style);
}

void RecordingSink::MessageBeep(unsigned type) { beeps.push_back(type); }

}  // namespace plat
