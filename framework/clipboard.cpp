#include "framework/clipboard.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/ipc.h"

namespace fw {
namespace {

struct Entry {
  UINT format;
  HGLOBAL block;
};

struct Clipboard {
  std::vector<Entry> entries;
  bool open = false;
  bool changed = false;
  HWND owner = 0;
  HWND opener = 0;
  ClipboardStore store = ClipboardStore::Process;
  std::uint32_t sequence = 0;  // of the shared content now held
  bool loaded = false;
  std::map<std::string, UINT> names;  // registered names seen by this process

  void Clear() {
    for (Entry& e : entries) plat::GlobalFree(e.block);
    entries.clear();
  }

  HostClipboard* host = nullptr;

  void Load(const std::vector<plat::ClipboardItem>& items) {
    Clear();
    for (const plat::ClipboardItem& it : items) {
      HGLOBAL h = plat::GlobalAlloc(plat::GMEM_MOVEABLE, it.data.size());
      if (!h) continue;
      if (!it.data.empty()) {
        plat::GlobalLockGuard g(h);
        std::memcpy(g.bytes(), it.data.data(), it.data.size());
      }
      entries.push_back(Entry{it.format, h});
    }
    owner = 0;
  }

  std::vector<plat::ClipboardItem> Items() const {
    std::vector<plat::ClipboardItem> items;
    for (const Entry& e : entries) {
      plat::ClipboardItem it;
      it.format = e.format;
      plat::GlobalLockGuard g(e.block);
      if (g && g.size()) it.data.assign(g.bytes(), g.bytes() + g.size());
      items.push_back(std::move(it));
    }
    return items;
  }

  // Takes the host's or the shared content when another program changed it.
  void Refresh() {
    if (host) {
      std::vector<plat::ClipboardItem> items;
      if (host->Fetch(items)) Load(items);
      return;
    }
    if (store != ClipboardStore::Shared) return;
    std::uint32_t seq = plat::SharedClipboardSequence();
    if (loaded && seq == sequence) return;
    std::vector<plat::ClipboardItem> items;
    if (!plat::ReadSharedClipboard(items, &seq)) return;
    Load(items);
    sequence = seq;
    loaded = true;
  }

  void Publish() {
    std::vector<plat::ClipboardItem> items = Items();
    if (host) {
      host->Publish(items);
      return;
    }
    std::uint32_t seq = 0;
    if (plat::WriteSharedClipboard(items, &seq)) {
      sequence = seq;
      loaded = true;
    }
  }
};

Clipboard& C() {
  static Clipboard c;
  return c;
}

std::string Folded(const std::string& s) {
  std::string f = s;
  for (char& ch : f)
    if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
  return f;
}

}  // namespace

UINT RegisterClipboardFormat(const std::string& name) {
  if (name.empty() || name.size() > plat::kMaxSharedName) return 0;
  Clipboard& c = C();
  std::string key = Folded(name);
  auto it = c.names.find(key);
  if (it != c.names.end()) return it->second;
  UINT id = plat::RegisterSharedName(name);
  if (id) c.names[key] = id;
  return id;
}

int GetClipboardFormatName(UINT format, std::string& out) {
  out.clear();
  if (format < plat::kFirstSharedId) return 0;
  if (!plat::GetSharedName(format, out)) return 0;
  return int(out.size());
}

BOOL OpenClipboard(CWnd* owner) {
  Clipboard& c = C();
  if (c.open) return FALSE;
  c.open = true;
  c.changed = false;
  c.opener = owner ? owner->m_hWnd : 0;
  c.Refresh();
  return TRUE;
}

BOOL CloseClipboard() {
  Clipboard& c = C();
  if (!c.open) return FALSE;
  c.open = false;
  if (c.changed && (c.host || c.store == ClipboardStore::Shared)) c.Publish();
  c.changed = false;
  c.opener = 0;
  return TRUE;
}

BOOL EmptyClipboard() {
  Clipboard& c = C();
  if (!c.open) return FALSE;
  c.Clear();
  c.owner = c.opener;
  c.changed = true;
  return TRUE;
}

HGLOBAL SetClipboardData(UINT format, HGLOBAL block) {
  Clipboard& c = C();
  if (!c.open || !format || !plat::GlobalIsValid(block)) return 0;
  for (Entry& e : c.entries)
    if (e.format == format) {
      if (e.block != block) plat::GlobalFree(e.block);
      e.block = block;
      c.changed = true;
      return block;
    }
  c.entries.push_back(Entry{format, block});
  c.changed = true;
  return block;
}

HGLOBAL GetClipboardData(UINT format) {
  Clipboard& c = C();
  if (!c.open) return 0;
  for (const Entry& e : c.entries)
    if (e.format == format) return e.block;
  return 0;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  Clipboard& c = C();
  if (!c.open) c.Refresh();
  return std::any_of(c.entries.begin(), c.entries.end(), [&](const Entry& e) { return e.format == format; });
}

int CountClipboardFormats() {
  Clipboard& c = C();
  if (!c.open) c.Refresh();
  return int(c.entries.size());
}

UINT EnumClipboardFormats(UINT format) {
  Clipboard& c = C();
  if (!c.open) return 0;
  size_t i = 0;
  if (format != 0) {
    while (i < c.entries.size() && c.entries[i].format != format) ++i;
    ++i;
  }
  return i < c.entries.size() ? c.entries[i].format : 0;
}

CWnd* GetClipboardOwner() { return CWnd::FromHandle(C().owner); }
CWnd* GetOpenClipboardWindow() { return C().open ? CWnd::FromHandle(C().opener) : nullptr; }

HostClipboard* SetHostClipboard(HostClipboard* host) {
  HostClipboard* old = C().host;
  C().host = host;
  return old;
}

void SetClipboardStore(ClipboardStore store) {
  Clipboard& c = C();
  if (c.store == store) return;
  c.store = store;
  c.loaded = false;
}

ClipboardStore GetClipboardStore() { return C().store; }

void ResetClipboard() {
  Clipboard& c = C();
  c.Clear();
  c.open = c.changed = c.loaded = false;
  c.owner = c.opener = 0;
  c.sequence = 0;
  c.names.clear();
}

}  // namespace fw
