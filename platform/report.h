// Reports to the user: message boxes and beeps go to a replaceable sink.
// Texts are UTF-8 here; stored GBK text is converted before it is shown.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Buttons.
constexpr unsigned MB_OK = 0x0000;
constexpr unsigned MB_OKCANCEL = 0x0001;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x0002;
constexpr unsigned MB_YESNOCANCEL = 0x0003;
constexpr unsigned MB_YESNO = 0x0004;
constexpr unsigned MB_RETRYCANCEL = 0x0005;
constexpr unsigned MB_TYPEMASK = 0x000F;
// Icons.
constexpr unsigned MB_ICONHAND = 0x0010;
constexpr unsigned MB_ICONERROR = 0x0010;
constexpr unsigned MB_ICONSTOP = 0x0010;
constexpr unsigned MB_ICONQUESTION = 0x0020;
constexpr unsigned MB_ICONEXCLAMATION = 0x0030;
constexpr unsigned MB_ICONWARNING = 0x0030;
constexpr unsigned MB_ICONASTERISK = 0x0040;
constexpr unsigned MB_ICONINFORMATION = 0x0040;
constexpr unsigned MB_ICONMASK = 0x00F0;
// Default button.
constexpr unsigned MB_DEFBUTTON1 = 0x0000;
constexpr unsigned MB_DEFBUTTON2 = 0x0100;
constexpr unsigned MB_DEFBUTTON3 = 0x0200;
constexpr unsigned MB_DEFMASK = 0x0F00;
constexpr unsigned MB_APPLMODAL = 0x0000;
constexpr unsigned MB_SYSTEMMODAL = 0x1000;
constexpr unsigned MB_TASKMODAL = 0x2000;

// Results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The button a box returns when nobody answers: its default button.
int DefaultButton(unsigned style);

class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual int MessageBox(std::string_view text, std::string_view caption, unsigned style) = 0;
  virtual void MessageBeep(unsigned type) = 0;
};

// Installs a sink (nullptr restores the default, which prints to standard error
// and returns the default button). Returns the previous sink.
ReportSink* SetReportSink(ReportSink* sink);
ReportSink* GetReportSink();

int MessageBox(std::string_view text, std::string_view caption, unsigned style = MB_OK);
void MessageBeep(unsigned type = 0xFFFFFFFF);

// Records every report; answers with a scripted reply or the default button.
class RecordingSink : public ReportSink {
 public:
  struct Box {
    std::string text;
    std::string caption;
    unsigned style;
  };
  std::vector<Box> boxes;
  std::vector<unsigned> beeps;
  std::vector<int> replies;  // taken front to back; empty: default button

  int MessageBox(std::string_view text, std::string_view caption, unsigned style) override;
  void MessageBeep(unsigned type) override;
  void clear() {
    boxes.clear();
    beeps.clear();
    replies.clear();
  }
};

// Installs a sink for a scope and restores the previous one after.
class ScopedReportSink {
 public:
  explicit ScopedReportSink(ReportSink* sink) : prev_(SetReportSink(sink)) {}
  ~ScopedReportSink() { SetReportSink(prev_); }
  ScopedReportSink(const ScopedReportSink&) = delete;
  ScopedReportSink& operator=(const ScopedReportSink&) = delete;

 private:
  ReportSink* prev_;
};

}  // namespace plat
