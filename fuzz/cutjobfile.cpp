// The job-info file a cut job is handed over with: header, name and data path read
// from hostile bytes, then written back and read again.
#include <cstring>
#include <string>

#include "fuzz/fuzz_util.h"
#include "output/jobfile/cutjob.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("OSI0001.TMP", data, size);
  CCutJob job;
  if (!ReadCutJobHeader(job, path.c_str())) return 0;
  fuzz::Require(job.name.size() <= kMaxCutJobName, "the name is bounded");
  fuzz::Require(job.dataPath.size() <= kMaxCutJobDataPath, "the data path is bounded");
  fuzz::Require(job.name.find('\0') == std::string::npos, "the name ends at its zero");
  fuzz::Require(std::strlen(job.header.portName) <= 9, "the port name is terminated");
  fuzz::Require(job.header.version >= 6.0f, "old versions are refused");
  ::setenv("TMPDIR", fuzz::ScratchFolder().c_str(), 1);
  CCutJob copy = job;
  if (WriteCutJobFile(copy)) {
    CCutJob back;
    fuzz::Require(ReadCutJobHeader(back, copy.jobInfoPath.c_str()) == 1, "a written file reads back");
    fuzz::Require(back.dataPath == job.dataPath, "the data path survives");
    fuzz::Require(job.name.compare(0, back.name.size(), back.name) == 0, "the name survives, cut at most");
    ::unlink(copy.jobInfoPath.c_str());
  }
  return 0;
}
