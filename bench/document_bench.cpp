// links: tindrel_app
// Saving and opening a 10 MB design (1,000 paths of 1,100 nodes), each beside
// a peer doing the bare file work on the same bytes: one write and fsync, one read.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/document.h"
#include "model/pathobject.h"
#include "platform/report.h"

namespace {

class QuietSink : public plat::ReportSink {
 public:
  int MessageBox(std::string_view, std::string_view, unsigned) override { return plat::IDOK; }
  void MessageBeep(unsigned) override {}
};

std::string BenchFolder() {
  static std::string folder = [] {
    char tmpl[] = "/tmp/tindrel-bench-XXXXXX";
    const char* d = ::mkdtemp(tmpl);
    return std::string(d ? d : "/tmp");
  }();
  return folder;
}

void BuildDesign(CVORLAN98Doc& doc) {
  doc.OnNewDocument();
  for (int p = 0; p < 1000; ++p) {
    auto path = std::make_unique<CPathObject>();
    for (int i = 0; i < 1100; ++i) {
      const float x = float(p % 40) * 10.0f + float(i % 100) * 0.1f;
      const float y = float(p / 40) * 30.0f + float(i / 100);
      std::uint8_t flags = 0x01;
      if (i == 0) flags = 0x11;
      else if (i == 1099) flags = 0x41;
      else if (i % 3 != 0) flags = 0x00;
      path->AddPoint(x, y, flags);
    }
    path->EndPoints();
    doc.AddObject(path.release(), false);
  }
}

std::vector<char> ReadAll(const std::string& path) {
  std::vector<char> bytes;
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return bytes;
  bytes.resize(std::size_t(::lseek(fd, 0, SEEK_END)));
  if (::pread(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size())) bytes.clear();
  ::close(fd);
  return bytes;
}

// Each case saves its own file to read.
bool SaveDesign(const std::string& path) {
  CVORLAN98Doc doc;
  BuildDesign(doc);
  return doc.OnSaveDocument(path);
}

void BM_SaveDesign(benchmark::State& state) {
  QuietSink quiet;
  plat::ScopedReportSink scoped(&quiet);
  CVORLAN98Doc doc;
  BuildDesign(doc);
  const std::string path = BenchFolder() + "/save.t98";
  for (auto _ : state) {
    if (!doc.OnSaveDocument(path)) {
      state.SkipWithError("save");
      break;
    }
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(ReadAll(path).size()));
}
BENCHMARK(BM_SaveDesign)->Unit(benchmark::kMillisecond);

void BM_SavePeerWriteAndSync(benchmark::State& state) {
  QuietSink quiet;
  plat::ScopedReportSink scoped(&quiet);
  CVORLAN98Doc doc;
  BuildDesign(doc);
  const std::vector<char> bytes =
      doc.OnSaveDocument(BenchFolder() + "/peer-source.t98") ? ReadAll(BenchFolder() + "/peer-source.t98")
                                                              : std::vector<char>();
  if (bytes.empty()) {
    state.SkipWithError("save");
    return;
  }
  const std::string path = BenchFolder() + "/peer.t98";
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool ok = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()) && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!ok) {
      state.SkipWithError("write");
      break;
    }
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}
BENCHMARK(BM_SavePeerWriteAndSync)->Unit(benchmark::kMillisecond);

void BM_OpenDesign(benchmark::State& state) {
  QuietSink quiet;
  plat::ScopedReportSink scoped(&quiet);
  const std::string path = BenchFolder() + "/open.t98";
  if (!SaveDesign(path)) {
    state.SkipWithError("save");
    return;
  }
  // A new document reads the text defaults from the settings; that and the
  // objects' deletion are not part of reading the file.
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<CVORLAN98Doc>();
    state.ResumeTiming();
    const bool opened = doc->OnOpenDocument(path);
    state.PauseTiming();
    if (!opened || doc->GetObjectCount() != 1000) {
      state.SkipWithError("open");
      break;
    }
    doc.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(ReadAll(path).size()));
}
BENCHMARK(BM_OpenDesign)->Unit(benchmark::kMillisecond);

void BM_OpenPeerRead(benchmark::State& state) {
  QuietSink quiet;
  plat::ScopedReportSink scoped(&quiet);
  const std::string path = BenchFolder() + "/open-peer.t98";
  const std::size_t size = SaveDesign(path) ? ReadAll(path).size() : 0;
  if (size == 0) {
    state.SkipWithError("save");
    return;
  }
  for (auto _ : state) {
    std::vector<char> bytes = ReadAll(path);
    if (bytes.size() != size) {
      state.SkipWithError("read");
      break;
    }
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}
BENCHMARK(BM_OpenPeerRead)->Unit(benchmark::kMillisecond);

}  // namespace
