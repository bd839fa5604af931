// The design document file (".t98"): a 16-byte header ("CVF98", version 6.0 at
// offset 12), a directory of eight u32 at offset 16 (entry 0 its size 32,
// entries 1-5 the offsets of the page record, font table, editor text, guide
// block and object block; 0 = absent) and the sections from offset 48.
//
// CDocReadFile reads a regular file with every read bounded by its size;
// CDocWriteFile writes a new version beside the target and replaces the
// target only when everything was written. CDocStream and CDocHeaderReader
// take the objects and text out of another document file (Import).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/segarray.h"
#include "platform/gmem.h"

constexpr char kDocMagic[] = "CVF98";
constexpr std::uint32_t kDocHeaderSize = 16;
constexpr std::uint32_t kDocDirOffset = 16;
constexpr std::uint32_t kDocDirEntries = 8;
constexpr std::uint32_t kDocDirSize = 32;
constexpr std::uint32_t kDocDataStart = 48;
constexpr float kDocVersion = 6.0f;
constexpr std::uint32_t kDocPageRecordSize = 32;

enum DocDirEntry : int {
  kDirSizeEntry = 0,
  kPageEntry = 1,
  kFontEntry = 2,
  kTextEntry = 3,
  kGuideEntry = 4,
  kObjectEntry = 5,
};

// Result codes of the document file readers.
constexpr int kDocReadOk = 0;
constexpr int kDocCannotOpen = 126;
constexpr int kDocBadHeader = 127;  // also a directory or section that does not fit the file
constexpr int kDocBadConversion = 132;
constexpr int kDocBadVersion = 133;

// Texts and caption of the file messages.
inline constexpr char kDocErrorCaption[] = "Error!";
inline constexpr char kDocCreateError[] = "Create error!";
inline constexpr char kDocOpenError[] = "Open error!  ";
inline constexpr char kDocFormatError[] = "File Format error !        ";
inline constexpr char kDocVersionError[] = "File Format erroe!  ";

// A regular file opened for reading; its size is taken once at opening and
// bounds every read. FIFOs, devices and folders are refused without waiting.
class CDocReadFile : public CFileServices {
 public:
  CDocReadFile() = default;
  ~CDocReadFile() override;
  CDocReadFile(const CDocReadFile&) = delete;
  CDocReadFile& operator=(const CDocReadFile&) = delete;

  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  std::uint64_t GetPosition() const override { return pos_; }
  bool Seek(std::uint64_t position) override;
  std::uint64_t GetLength() const override { return size_; }
  std::size_t Read(void* buffer, std::size_t n) override;
  bool Write(const void*, std::size_t) override { return false; }

  // Exactly n bytes or false.
  bool ReadExact(void* buffer, std::size_t n) { return Read(buffer, n) == n; }
  bool ReadU32(std::uint32_t& v);
  // Bytes left from the position to the end.
  std::uint64_t Remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }

 private:
  int fd_ = -1;
  std::uint64_t pos_ = 0;
  std::uint64_t size_ = 0;
};

// Writes a file as a whole: the bytes go into a new file in the target's
// folder; Commit flushes it to the disk and renames it over the target
// (keeping the target's mode bits; through a symbolic link its target is
// replaced). Any failure leaves the target as it was. The first failed write
// is remembered: later writes do nothing and Commit fails.
class CDocWriteFile : public CFileServices {
 public:
  CDocWriteFile() = default;
  ~CDocWriteFile() override;  // an uncommitted file is removed
  CDocWriteFile(const CDocWriteFile&) = delete;
  CDocWriteFile& operator=(const CDocWriteFile&) = delete;

  bool Create(const std::string& target);
  bool Commit();
  void Abort();
  bool Failed() const { return failed_; }

  std::uint64_t GetPosition() const override { return pos_; }
  bool Seek(std::uint64_t position) override;
  std::uint64_t GetLength() const override { return length_; }
  std::size_t Read(void*, std::size_t) override { return 0; }
  bool Write(const void* buffer, std::size_t n) override;

 private:
  bool Flush();
  int fd_ = -1;
  std::string target_;  // the file finally replaced
  std::string temp_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
  std::uint64_t pos_ = 0;
  std::uint64_t length_ = 0;
  bool failed_ = false;
};

// Failures the tests inject into CDocWriteFile: creation, the n-th write
// (1-based; 0 none), the flush to the disk and the rename.
struct DocWriteFaults {
  bool create = false;
  int writeNumber = 0;
  bool sync = false;
  bool rename = false;
};
DocWriteFaults& TestDocWriteFaults();

// Header, directory and section checks shared by the readers.
// The 16-byte header and the directory from the file's start; false when the
// file is too short.
bool ReadDocHeader(CDocReadFile& file, std::uint8_t header[16], std::uint32_t directory[8]);
// Every non-zero entry 1-7 lies inside the file at or after the directory.
bool DocDirectoryFits(const std::uint32_t directory[8], std::uint64_t fileSize);
// The editor text section at the file's position: u32 length L, then L bytes
// (the text and its zero). Gives the text without its terminator; false when
// the section does not fit the file.
bool ReadDocText(CDocReadFile& file, std::string& text);
// Bytes read from a file, not cleared before the read.
struct DocBytes {
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t size = 0;
};
// The object block at the file's position (u8 2, u32 N, records, 254) into
// bytes; false when its head is wrong or it does not fit the file.
bool ReadDocObjectBlock(CDocReadFile& file, DocBytes& block);
// Reads the object block at the file's position record by record through a
// small window and appends the objects to the list. A block whose head or
// length does not fit the file gives kDocBadHeader with nothing read; a bad
// record is reported by the object list and keeps the objects before it
// (result 1); 0 when the whole block was read.
int ReadDocObjects(CDocReadFile& file, CSegArray& objects);
// Writes the objects' block (as the object list writes it) record by record
// at the file's position; 0 and nothing written when no object writes a record.
int WriteDocObjectBlock(CDocWriteFile& file, const CSegArray& objects);

// The base of the document file readers.
class CDocStream {
 public:
  CDocStream() = default;
  virtual ~CDocStream();
  CDocStream(const CDocStream&) = delete;
  CDocStream& operator=(const CDocStream&) = delete;

  // Sets the path when given, opens, reads and converts; the result block
  // goes to *result (null on failure). 0 on success, else the error code.
  int Run(plat::HGLOBAL* result, const char* path);
  // Opens the path for reading, then CheckHeader and CheckVersion.
  int Open();
  void SetPath(const char* path) { m_path = path ? path : ""; }
  const std::string& GetPath() const { return m_path; }

  virtual int CheckVersion() { return 0; }
  virtual int CheckHeader() { return 0; }
  virtual plat::HGLOBAL ReadData() { return 0; }
  virtual int Convert(plat::HGLOBAL* result, plat::HGLOBAL data);

 protected:
  CDocReadFile m_file;
  std::string m_path;
};

// Takes the editor text and the object block out of a ".t98" file.
class CDocHeaderReader : public CDocStream {
 public:
  ~CDocHeaderReader() override;

  // Sets the path when given; opens, checks and reads the text and object
  // blocks; closes the file. 0 or the error code.
  int Read(const char* path);
  // The page record of directory entry 1 (after Open); 0 or the error code.
  int ReadPageRecord();

  int CheckHeader() override;
  int CheckVersion() override;

  // The object block (from its version byte on) and the text block (its
  // zero-terminated text), each null when absent; the reader frees them.
  plat::HGLOBAL m_objectBlock = 0;
  plat::HGLOBAL m_textBlock = 0;
  std::uint8_t m_header[16] = {};
  std::uint32_t m_directory[8] = {};
  std::uint8_t m_pageRecord[32] = {};

 private:
  void FreeBlocks();
};
