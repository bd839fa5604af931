#include "output/jobfile/cutjob.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/bytes.h"
#include "platform/codepage.h"
#include "platform/tempfile.h"

namespace {

bool WriteAll(int fd, const void* data, std::size_t n, off_t at) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t k = ::pwrite(fd, p, n, at);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    p += k;
    n -= std::size_t(k);
    at += k;
  }
  return true;
}

std::size_t ReadAt(int fd, void* data, std::size_t n, off_t at) {
  char* p = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < n) {
    ssize_t k = ::pread(fd, p + done, n - done, at + off_t(done));
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) break;
    done += std::size_t(k);
  }
  return done;
}

// Up to max bytes of the block at offset, to its first zero.
std::string ReadBlock(int fd, std::uint32_t offset, std::size_t max) {
  char buf[256] = {};
  std::size_t got = ReadAt(fd, buf, max, off_t(offset));
  return std::string(buf, strnlen(buf, got));
}

}  // namespace

std::array<std::uint8_t, CutJobHeader::kSize> CutJobHeader::Store() const {
  std::array<std::uint8_t, kSize> b{};
  std::memcpy(b.data(), magic, 16);
  plat::PutF32(b.data() + 16, version);
  plat::PutU16(b.data() + 25, OutMethod);
  std::memcpy(b.data() + 27, portName, 10);
  plat::PutU32(b.data() + 37, nameOffset);
  plat::PutU32(b.data() + 45, dataPathOffset);
  return b;
}

void CutJobHeader::Load(const std::uint8_t* b) {
  std::memcpy(magic, b, 16);
  version = plat::GetF32(b + 16);
  OutMethod = plat::GetU16(b + 25);
  std::memcpy(portName, b + 27, 10);
  portName[9] = 0;
  nameOffset = plat::GetU32(b + 37);
  dataPathOffset = plat::GetU32(b + 45);
}

void CutJobHeader::SetPortName(const std::string& port) {
  std::memset(portName, 0, sizeof portName);
  std::memcpy(portName, port.data(), std::min(port.size(), sizeof portName - 1));
}

CCutJob::CCutJob() {
  std::memcpy(header.magic, "ODSINFO", 7);
  header.version = 6.0f;
  header.OutMethod = 1;
}

int WriteCutJobFile(CCutJob& job) {
  job.jobInfoPath.clear();
  if (job.dataPath.size() > kMaxCutJobDataPath || job.dataPath.find('\0') != std::string::npos) return 0;
  std::string folder = plat::GetTempFolder();
  // "OSI" + four digits + ".TMP" behind the folder must fit the manager's field.
  if (folder.empty() || folder.size() + 11 > kMaxCutJobInfoPath) return 0;
  std::string path;
  if (plat::GetTempFileName(folder, "OSI", path) == 0) return 0;
  int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    ::unlink(path.c_str());
    return 0;
  }
  std::string name = job.name.substr(0, job.name.find('\0'));
  name.resize(plat::GbkPrefixLength(name, kMaxCutJobName));
  CutJobHeader h = job.header;
  h.nameOffset = CutJobHeader::kSize;
  h.dataPathOffset = std::uint32_t(CutJobHeader::kSize + name.size() + 1);
  auto bytes = h.Store();
  bool ok = WriteAll(fd, bytes.data(), bytes.size(), 0) && WriteAll(fd, name.c_str(), name.size() + 1, h.nameOffset) &&
            WriteAll(fd, job.dataPath.c_str(), job.dataPath.size() + 1, h.dataPathOffset);
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    ::unlink(path.c_str());
    return 0;
  }
  job.header = h;
  job.jobInfoPath = path;
  return 1;
}

int ReadCutJobHeader(CCutJob& job, const char* path) {
  if (path) job.jobInfoPath = path;
  // Non-blocking, so that a FIFO in the file's place cannot stall the reader.
  int fd = ::open(job.jobInfoPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return 0;
  struct stat st;
  std::uint8_t b[CutJobHeader::kSize];
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ReadAt(fd, b, sizeof b, 0) != sizeof b) {
    ::close(fd);
    return 0;
  }
  CutJobHeader h;
  h.Load(b);
  if (std::memcmp(h.magic, "ODSINFO", 8) != 0 || !(h.version >= 6.0f)) {
    ::close(fd);
    return 0;
  }
  job.header = h;
  job.name = ReadBlock(fd, h.nameOffset, kMaxCutJobName + 1);
  job.dataPath = ReadBlock(fd, h.dataPathOffset, kMaxCutJobDataPath + 1);
  if (job.name.size() > kMaxCutJobName) job.name.resize(kMaxCutJobName);
  if (job.dataPath.size() > kMaxCutJobDataPath) job.dataPath.resize(kMaxCutJobDataPath);
  ::close(fd);
  return 1;
}

std::string MakeCutJobDataFile() {
  std::string folder = plat::GetTempFolder(), path;
  if (folder.empty() || plat::GetTempFileName(folder, "OSD", path) == 0) return {};
  return path;
}
