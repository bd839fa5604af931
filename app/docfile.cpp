#include "app/docfile.h"

#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/graphobject.h"
#include "platform/bytes.h"

namespace {

DocWriteFaults g_faults;
int g_writeCount = 0;

constexpr std::size_t kWriteChunk = 1 << 20;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file a save replaces: a symbolic link is followed to its final target.
std::string ResolveTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real) {
      std::string r = real;
      std::free(real);
      return r;
    }
    // A dangling link: write where it points.
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    if (n > 0) {
      std::string link(buf, std::size_t(n));
      if (link[0] != '/') link = FolderOf(path) + "/" + link;
      return link;
    }
  }
  return path;
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    p += w;
    n -= std::size_t(w);
  }
  return true;
}

}  // namespace

DocWriteFaults& TestDocWriteFaults() { return g_faults; }

// ---------------------------------------------------------------------------

CDocReadFile::~CDocReadFile() { Close(); }

bool CDocReadFile::Open(const std::string& path) {
  Close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  pos_ = 0;
  size_ = std::uint64_t(st.st_size);
  return true;
}

void CDocReadFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  pos_ = size_ = 0;
}

bool CDocReadFile::Seek(std::uint64_t position) {
  if (fd_ < 0 || position > size_) return false;
  pos_ = position;
  return true;
}

std::size_t CDocReadFile::Read(void* buffer, std::size_t n) {
  if (fd_ < 0 || n == 0) return 0;
  if (n > Remaining()) n = std::size_t(Remaining());
  auto* p = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd_, p + done, n - done, off_t(pos_ + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += std::size_t(r);
  }
  pos_ += done;
  return done;
}

bool CDocReadFile::ReadU32(std::uint32_t& v) {
  std::uint8_t b[4];
  if (!ReadExact(b, 4)) return false;
  v = plat::GetU32(b);
  return true;
}

// ---------------------------------------------------------------------------

CDocWriteFile::~CDocWriteFile() { Abort(); }

bool CDocWriteFile::Create(const std::string& target) {
  Abort();
  failed_ = false;
  pos_ = length_ = bufferStart_ = 0;
  buffer_.clear();
  g_writeCount = 0;
  if (g_faults.create || target.empty()) return false;
  target_ = ResolveTarget(target);
  const std::string folder = FolderOf(target_);
  const std::size_t slash = target_.rfind('/');
  const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  std::string pattern = folder + "/." + name + ".XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd < 0) return false;
  fd_ = fd;
  temp_ = buf.data();
  return true;
}

bool CDocWriteFile::Write(const void* data, std::size_t n) {
  if (fd_ < 0 || failed_) return false;
  ++g_writeCount;
  if (g_faults.writeNumber != 0 && g_writeCount == g_faults.writeNumber) {
    failed_ = true;
    return false;
  }
  const auto* p = static_cast<const std::uint8_t*>(data);
  // Writes continue the buffer; a write elsewhere (after a seek) flushes it first.
  if (pos_ != bufferStart_ + buffer_.size()) {
    if (!Flush()) return false;
    bufferStart_ = pos_;
  }
  // A large write goes to the file as it is.
  if (n >= kWriteChunk) {
    if (!Flush()) return false;
    if (::lseek(fd_, off_t(pos_), SEEK_SET) < 0 || !WriteAll(fd_, p, n)) {
      failed_ = true;
      return false;
    }
    pos_ += n;
    bufferStart_ = pos_;
    if (pos_ > length_) length_ = pos_;
    return true;
  }
  buffer_.insert(buffer_.end(), p, p + n);
  pos_ += n;
  if (pos_ > length_) length_ = pos_;
  if (buffer_.size() >= kWriteChunk) return Flush();
  return true;
}

bool CDocWriteFile::Flush() {
  if (failed_) return false;
  if (buffer_.empty()) return true;
  if (::lseek(fd_, off_t(bufferStart_), SEEK_SET) < 0 || !WriteAll(fd_, buffer_.data(), buffer_.size())) {
    failed_ = true;
    return false;
  }
  bufferStart_ += buffer_.size();
  buffer_.clear();
  return true;
}

bool CDocWriteFile::Seek(std::uint64_t position) {
  if (fd_ < 0 || failed_) return false;
  pos_ = position;
  return true;
}

bool CDocWriteFile::Commit() {
  if (fd_ < 0 || failed_ || !Flush()) {
    Abort();
    return false;
  }
  // The new file takes the mode of the one it replaces, else the usual mode.
  struct stat st;
  mode_t mode;
  if (::stat(target_.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = ::fchmod(fd_, mode) == 0;
  ok = ok && !g_faults.sync && ::fsync(fd_) == 0;
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  ok = ok && !g_faults.rename && ::rename(temp_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    ::unlink(temp_.c_str());
    temp_.clear();
    failed_ = true;
    return false;
  }
  temp_.clear();
  // The rename itself reaches the disk with its folder.
  const int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void CDocWriteFile::Abort() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  buffer_.clear();
}

// ---------------------------------------------------------------------------

bool ReadDocHeader(CDocReadFile& file, std::uint8_t header[16], std::uint32_t directory[8]) {
  std::uint8_t dir[kDocDirSize];
  if (!file.Seek(0) || !file.ReadExact(header, kDocHeaderSize) || !file.ReadExact(dir, sizeof dir)) return false;
  for (std::uint32_t i = 0; i < kDocDirEntries; ++i) directory[i] = plat::GetU32(dir + 4 * i);
  return true;
}

bool DocDirectoryFits(const std::uint32_t directory[8], std::uint64_t fileSize) {
  for (std::uint32_t i = 1; i < kDocDirEntries; ++i) {
    const std::uint32_t e = directory[i];
    if (e != 0 && (e < kDocDataStart || e >= fileSize)) return false;
  }
  return true;
}

bool ReadDocText(CDocReadFile& file, std::string& text) {
  text.clear();
  std::uint32_t length = 0;
  if (!file.ReadU32(length)) return false;
  if (length == 0) return true;
  if (length > file.Remaining()) return false;
  text.resize(length);
  if (!file.ReadExact(text.data(), length)) return false;
  // The text ends at its first zero; one is always there.
  text.resize(std::strlen(text.c_str()));
  return true;
}

bool ReadDocObjectBlock(CDocReadFile& file, DocBytes& block) {
  const std::uint64_t start = file.GetPosition();
  std::uint8_t head[SEG_BLOCK_HEAD];
  if (!file.ReadExact(head, sizeof head) || head[0] != SEG_BLOCK_VERSION) return false;
  const std::uint32_t n = plat::GetU32(head + 1);
  if (n < SEG_BLOCK_EMPTY || n > file.GetLength() - start) return false;
  block.data.reset(new std::uint8_t[n]);
  block.size = n;
  std::memcpy(block.data.get(), head, sizeof head);
  return file.ReadExact(block.data.get() + sizeof head, n - sizeof head);
}

int ReadDocObjects(CDocReadFile& file, CSegArray& objects) {
  constexpr std::size_t kPad = SEG_BLOCK_HEAD;  // room for a block head before a record
  constexpr std::size_t kWindow = std::size_t(256) << 10;
  const std::uint64_t start = file.GetPosition();
  std::uint8_t head[SEG_BLOCK_HEAD];
  if (!file.ReadExact(head, sizeof head) || head[0] != SEG_BLOCK_VERSION) return kDocBadHeader;
  const std::uint32_t n = plat::GetU32(head + 1);
  if (n < SEG_BLOCK_EMPTY || n > file.GetLength() - start) return kDocBadHeader;
  const std::uint64_t end = start + n;  // the end byte is at end - 1

  std::vector<std::uint8_t> buf(kPad + kWindow);
  std::uint64_t winOff = start + SEG_BLOCK_HEAD;  // file offset of buf[kPad]
  std::size_t winLen = 0;
  // Makes [at, at + need) of the file readable in the window.
  auto ensure = [&](std::uint64_t at, std::size_t need) {
    if (at + need <= winOff + winLen) return true;
    const std::size_t keep = std::size_t(winOff + winLen - at);
    std::memmove(buf.data() + kPad, buf.data() + kPad + (at - winOff), keep);
    winOff = at;
    winLen = keep;
    if (buf.size() < kPad + need) buf.resize(kPad + need);
    const std::uint64_t want = std::min<std::uint64_t>(buf.size() - kPad - keep, end - (at + keep));
    if (!file.Seek(at + keep) || !file.ReadExact(buf.data() + kPad + keep, std::size_t(want))) return false;
    winLen += std::size_t(want);
    return at + need <= winOff + winLen;
  };
  // One record as a block of its own, so the list reads (and reports) it.
  auto readOne = [&](std::uint64_t at, std::uint32_t length) {
    std::uint8_t* record = buf.data() + kPad + (at - winOff);
    std::uint8_t* block = record - SEG_BLOCK_HEAD;
    const std::uint8_t after = record[length];
    block[0] = SEG_BLOCK_VERSION;
    plat::PutU32(block + 1, length + SEG_BLOCK_EMPTY);
    record[length] = SEG_BLOCK_END;
    std::unique_ptr<CSegArray> one = CSegArray::UnpackFromBuffer(block, length + SEG_BLOCK_EMPTY);
    record[length] = after;
    if (!one || one->GetSize() != 1) {
      if (one) objects.TakeAll(*one);
      return false;
    }
    objects.TakeAll(*one);
    return true;
  };

  std::uint64_t at = start + SEG_BLOCK_HEAD;
  while (at < end) {
    if (!ensure(at, 1)) return kDocBadHeader;
    if (buf[kPad + (at - winOff)] == SEG_BLOCK_END) return at == end - 1 ? 0 : 1;
    std::uint32_t length = 0;
    if (at + 5 <= end - 1) {
      if (!ensure(at, 5)) return kDocBadHeader;
      length = plat::GetU32(buf.data() + kPad + (at - winOff) + 1);
    }
    if (length < 5 || length > end - 1 - at) {
      // A length that leaves the block: the list sees the bare head and reports it.
      const std::size_t have = std::size_t(std::min<std::uint64_t>(5, end - at));
      if (!ensure(at, have)) return kDocBadHeader;
      std::uint8_t bare[SEG_BLOCK_EMPTY + 5] = {SEG_BLOCK_VERSION};
      plat::PutU32(bare + 1, std::uint32_t(have + SEG_BLOCK_EMPTY));
      std::memcpy(bare + SEG_BLOCK_HEAD, buf.data() + kPad + (at - winOff), have);
      bare[SEG_BLOCK_HEAD + have] = SEG_BLOCK_END;
      CSegArray::UnpackFromBuffer(bare, have + SEG_BLOCK_EMPTY);
      return 1;
    }
    if (!ensure(at, std::size_t(length) + 1)) return kDocBadHeader;
    if (!readOne(at, length)) return 1;
    at += length;
  }
  return 1;
}

int WriteDocObjectBlock(CDocWriteFile& file, const CSegArray& objects) {
  const std::uint64_t start = file.GetPosition();
  std::uint64_t n = SEG_BLOCK_HEAD;
  bool any = false;
  for (CGraphObject* o : objects.Objects()) {
    if (!o) continue;
    plat::HGLOBAL h = 0;
    const std::uint32_t length = o->WriteRecord(&h);
    if (!h) continue;
    bool ok = true;
    if (length > 0 && length <= plat::GlobalSize(h)) {
      if (!any) {
        const std::uint8_t head[SEG_BLOCK_HEAD] = {SEG_BLOCK_VERSION, 0, 0, 0, 0};
        ok = file.Write(head, sizeof head);
        any = true;
      }
      plat::GlobalLockGuard lock(h);
      ok = ok && lock.bytes() && file.Write(lock.bytes(), length);
      n += length;
    }
    plat::GlobalFree(h);
    if (!ok || n >= 0xFFFFFFF0u) return 0;
  }
  if (!any) return 0;
  const std::uint8_t end = SEG_BLOCK_END;
  std::uint8_t length[4];
  plat::PutU32(length, std::uint32_t(n + 1));
  if (!file.Write(&end, 1)) return 0;
  const std::uint64_t after = file.GetPosition();
  return file.Seek(start + 1) && file.Write(length, 4) && file.Seek(after) ? 1 : 0;
}

// ---------------------------------------------------------------------------

CDocStream::~CDocStream() = default;

int CDocStream::Open() {
  if (!m_file.Open(m_path)) return kDocCannotOpen;
  if (int code = CheckHeader()) return code;
  if (int code = CheckVersion()) return code;
  return kDocReadOk;
}

int CDocStream::Run(plat::HGLOBAL* result, const char* path) {
  if (path) SetPath(path);
  if (result) *result = 0;
  int code = Open();
  if (code != 0) return code;
  const plat::HGLOBAL data = ReadData();
  plat::HGLOBAL out = 0;
  code = Convert(&out, data);
  if (data) plat::GlobalFree(data);
  if (result) *result = out;
  else if (out) plat::GlobalFree(out);
  return code < 1 ? 0 : code;
}

int CDocStream::Convert(plat::HGLOBAL*, plat::HGLOBAL) {
  m_file.Close();
  return kDocBadConversion;
}

// ---------------------------------------------------------------------------

CDocHeaderReader::~CDocHeaderReader() { FreeBlocks(); }

void CDocHeaderReader::FreeBlocks() {
  if (m_objectBlock) plat::GlobalFree(m_objectBlock);
  if (m_textBlock) plat::GlobalFree(m_textBlock);
  m_objectBlock = m_textBlock = 0;
}

int CDocHeaderReader::CheckHeader() {
  if (!ReadDocHeader(m_file, m_header, m_directory) || std::memcmp(m_header, kDocMagic, 5) != 0 ||
      !DocDirectoryFits(m_directory, m_file.GetLength())) {
    m_file.Close();
    return kDocBadHeader;
  }
  return kDocReadOk;
}

int CDocHeaderReader::CheckVersion() {
  const float version = std::bit_cast<float>(plat::GetU32(m_header + 12));
  if (!(version >= 6.0f && version <= 6.5f)) {
    m_file.Close();
    return kDocBadVersion;
  }
  return kDocReadOk;
}

int CDocHeaderReader::ReadPageRecord() {
  if (!m_file.IsOpen() || m_directory[kPageEntry] == 0 || !m_file.Seek(m_directory[kPageEntry]) ||
      !m_file.ReadExact(m_pageRecord, sizeof m_pageRecord))
    return kDocBadHeader;
  return kDocReadOk;
}

int CDocHeaderReader::Read(const char* path) {
  if (path) SetPath(path);
  FreeBlocks();
  if (int code = Open()) return code;
  int code = kDocReadOk;
  if (const std::uint32_t at = m_directory[kTextEntry]) {
    std::string text;
    if (!m_file.Seek(at) || !ReadDocText(m_file, text)) {
      code = kDocBadHeader;
    } else if (!text.empty()) {
      m_textBlock = plat::GlobalAlloc(plat::GHND, text.size() + 1);
      if (m_textBlock) std::memcpy(plat::GlobalLockGuard(m_textBlock).bytes(), text.data(), text.size());
    }
  }
  if (const std::uint32_t at = m_directory[kObjectEntry]; at && code == kDocReadOk) {
    DocBytes block;
    if (!m_file.Seek(at) || !ReadDocObjectBlock(m_file, block)) {
      code = kDocBadHeader;
    } else {
      m_objectBlock = plat::GlobalAlloc(plat::GHND, block.size + SEG_BLOCK_EXTRA);
      if (m_objectBlock) {
        plat::GlobalLockGuard lock(m_objectBlock);
        std::memcpy(lock.bytes(), block.data.get(), block.size);
        lock.bytes()[block.size] = 255;
      }
    }
  }
  m_file.Close();
  if (code != kDocReadOk) FreeBlocks();
  return code;
}
