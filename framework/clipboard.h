// The clipboard: formats registered by name (the same name gives the same id in
// every process of the user), plain text, and movable blocks that the clipboard owns
// once set. The store is in-process by default; with the shared store two programs
// of the same user see the same content (written when the writer closes the clipboard).
#pragma once
#include <string>
#include <vector>

#include "framework/wnd.h"
#include "platform/gmem.h"
#include "platform/ipc.h"

namespace fw {

using plat::HGLOBAL;

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_UNICODETEXT = 13;

// 0 for an empty or too long name (more than 255 bytes) or an unusable store.
UINT RegisterClipboardFormat(const std::string& name);
// The name's length and the name; 0 for standard and unknown formats.
int GetClipboardFormatName(UINT format, std::string& out);

// FALSE while it is open already (one opener at a time).
BOOL OpenClipboard(CWnd* owner);
// Writes the content to the shared store when it changed while open.
BOOL CloseClipboard();
// Frees every block; the opener becomes the owner. Only while open.
BOOL EmptyClipboard();
// Takes the block over (the clipboard frees it); replaces a block of the same format.
// Only while open; returns the handle, or 0 (the block stays the caller's).
HGLOBAL SetClipboardData(UINT format, HGLOBAL block);
// The clipboard's own block (do not free it); 0 when absent or not open.
HGLOBAL GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
// The format after `format` (0 starts), 0 at the end.
UINT EnumClipboardFormats(UINT format);
CWnd* GetClipboardOwner();
CWnd* GetOpenClipboardWindow();

// The desktop's clipboard, as the presentation offers it: Fetch gives the desktop's
// content when someone else changed it since our last publication (true; the items
// replace ours), Publish hands our content over when a change is closed.
class HostClipboard {
 public:
  virtual ~HostClipboard() = default;
  virtual bool Fetch(std::vector<plat::ClipboardItem>& items) = 0;
  virtual void Publish(const std::vector<plat::ClipboardItem>& items) = 0;
};
// Installs the host store (nullptr: none); returns the previous one.
HostClipboard* SetHostClipboard(HostClipboard* host);

enum class ClipboardStore { Process, Shared };
// The application chooses the shared store at start-up; tests stay in-process.
void SetClipboardStore(ClipboardStore store);
ClipboardStore GetClipboardStore();
// Drops the content and closes the clipboard (tests).
void ResetClipboard();

}  // namespace fw
