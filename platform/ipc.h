// The store the programs of one user share: a private folder with small files, each
// changed only under its own lock. It holds the table of registered names (the same
// name gives the same id in every process of the user) and the shared clipboard.
// Every file is read as hostile input: bounded sizes, a bad record ends the reading.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The shared folder with a trailing '/': $TINDREL_IPC_DIR when set, else
// GetTempFolder() + "shared/"; made private (0700, ours, no link). "" when unusable.
std::string GetSharedFolder();
// Replaces the folder for this process and the ones it starts ("" restores the default).
void SetSharedFolder(const std::string& folder);

// An exclusive advisory lock on "<shared folder><name>.lock", held for the object's life.
class SharedLock {
 public:
  explicit SharedLock(std::string_view name);
  ~SharedLock();
  SharedLock(const SharedLock&) = delete;
  SharedLock& operator=(const SharedLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Writes a file of the shared folder atomically (temporary file, then rename).
bool WriteSharedFile(std::string_view name, const std::vector<std::uint8_t>& bytes);
// Reads at most maxBytes of a file of the shared folder; false when missing or larger.
bool ReadSharedFile(std::string_view name, std::vector<std::uint8_t>& bytes, std::size_t maxBytes);

// Registered names. Ids run from 0xC000 to 0xFFFF; names are 1 to 255 bytes and
// compare with ASCII case ignored. The table keeps a use count per entry so that
// counted entries (atoms) can share it; registered names are permanent.
constexpr unsigned kFirstSharedId = 0xC000;
constexpr unsigned kLastSharedId = 0xFFFF;
constexpr std::size_t kMaxSharedName = 255;
// The id of the name, registering it when new; 0 for a bad name or a full or unusable table.
unsigned RegisterSharedName(std::string_view name);
// The name registered under an id; false when there is none.
bool GetSharedName(unsigned id, std::string& out);

// Global atoms: counted entries of the same table. Adding a name counts it up,
// deleting counts it down and removes it at 0; a registered name is never removed.
using ATOM = std::uint16_t;
// The atom of the name (new or counted up); 0 for a bad name or an unusable table.
ATOM GlobalAddAtom(std::string_view name);
// The atom of the name without counting; 0 when absent.
ATOM GlobalFindAtom(std::string_view name);
// 0 on success; the atom itself when there is no such atom.
ATOM GlobalDeleteAtom(ATOM atom);
// Copies the name, cut to size - 1 bytes, with a terminating zero; the bytes copied, 0 on failure.
unsigned GlobalGetAtomName(ATOM atom, char* buffer, int size);
// The whole name; false when there is no such atom.
bool GlobalGetAtomName(ATOM atom, std::string& out);

// The shared clipboard: the formats and blocks the last writer put there.
struct ClipboardItem {
  std::uint32_t format = 0;
  std::vector<std::uint8_t> data;
};
constexpr std::size_t kMaxClipboardItems = 64;
constexpr std::size_t kMaxClipboardBytes = std::size_t(64) << 20;
// Replaces the content; the sequence number grows by one with each write.
bool WriteSharedClipboard(const std::vector<ClipboardItem>& items, std::uint32_t* sequence = nullptr);
// The content and its sequence number (0 and nothing when never written).
bool ReadSharedClipboard(std::vector<ClipboardItem>& items, std::uint32_t* sequence = nullptr);
// Only the sequence number: cheap check whether the content changed.
std::uint32_t SharedClipboardSequence();

}  // namespace plat
