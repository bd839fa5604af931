// The job-info file that hands a device command stream to the cut-job manager:
// a 65-byte header, the job's name and the data file's path. Both the design program
// and the manager read it through ReadCutJobHeader; it needs only the platform.
#pragma once
#include <array>
#include <cstdint>
#include <string>

// Messages to the manager's main window (wParam, lParam as given).
constexpr unsigned WM_CUTJOB_BEGIN = 0x0400 + 1;  // 0, 0
constexpr unsigned WM_CUTJOB_END = 0x0400 + 2;    // 0, 0
constexpr unsigned WM_CUTJOB_ADD = 0x0400 + 3;    // atom of the job-info path, copies 1..100

// The manager's main window title and its program file beside the design program.
constexpr char kCutManagerTitle[] = "Vorlan - [Cutting Manager]";
constexpr char kCutManagerProgram[] = "Kelvo.EXE";

// Longest texts the file's fields hold (a terminating zero follows each).
constexpr std::size_t kMaxCutJobName = 119;
constexpr std::size_t kMaxCutJobDataPath = 149;
constexpr std::size_t kMaxCutJobInfoPath = 179;

// The header as stored, little-endian and packed:
// 0 magic[16], 16 f32 version, 20 reserved[5], 25 u16 OutMethod, 27 port[10],
// 37 u32 name offset, 41 reserved[4], 45 u32 data-path offset, 49 reserved[16].
struct CutJobHeader {
  static constexpr std::size_t kSize = 65;
  char magic[16] = {};
  float version = 0;
  std::uint16_t OutMethod = 0;
  char portName[10] = {};
  std::uint32_t nameOffset = 0;
  std::uint32_t dataPathOffset = 0;

  std::array<std::uint8_t, kSize> Store() const;
  void Load(const std::uint8_t* bytes);  // kSize bytes
  void SetPortName(const std::string& port);  // cut to 9 bytes
};

class CCutJob {
 public:
  CCutJob();  // magic "ODSINFO", version 6.0, OutMethod 1, the rest empty
  CutJobHeader header;
  std::string name;             // the document's title (GBK)
  std::string dataPath;         // the command stream's file
  std::uint32_t managerWindow = 0;
  std::string jobInfoPath;      // set by WriteCutJobFile
};

// Creates "OSI????.TMP" in the user's temporary folder with the header, the name (cut
// to 119 bytes on a character boundary) and the data path. 1 on success; 0 when the file
// cannot be made, the data path is longer than 149 bytes or the file's own path longer
// than 179 (no file is left then).
int WriteCutJobFile(CCutJob& job);
// Reads a job-info file (path, or the one in the record when null). 1 when the magic is
// "ODSINFO" and the version 6.0 or more; the name and path are read at their offsets,
// at most 119 and 149 bytes, up to their first zero.
int ReadCutJobHeader(CCutJob& job, const char* path = nullptr);

// A new empty data file "OSD????.TMP" in the user's temporary folder; "" when none can
// be made.
std::string MakeCutJobDataFile();
