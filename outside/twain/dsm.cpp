// The scanner source manager "TWAIN_32.DLL" over the system's scanner
// library. It has no window of its own: the source chosen is the device of
// [Source] in "TWAIN.INI" (else the first device found), the section's other
// keys set the device's options of those names when the source opens, and an
// enabled source offers one transfer at the next event it is given, then asks
// to be closed. Images go out as packed bitmaps in movable blocks that belong
// to the caller.
#include <dlfcn.h>
#include <sane/sane.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "model/twain.h"
#include "outside/twain/scanframe.h"
#include "outside/twain/twainini.h"
#include "platform/gmem.h"

#define TWAIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Bounds on what the scanner library hands back.
constexpr int kMaxOptions = 1024;
constexpr SANE_Int kMaxStringOption = 4096;
constexpr int kMaxDevices = 256;
constexpr int kMaxIdleReads = 10000;
constexpr std::size_t kMaxDiscard = std::size_t(1) << 24;
constexpr int kMaxFrames = 3;

void CopyText(TW_STR32& out, const char* text) {
  std::memset(out, 0, sizeof out);
  if (text) std::strncpy(out, text, sizeof out - 1);
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

struct Source {
  SANE_Handle handle = nullptr;
  TW_IDENTITY identity{};
  bool feeder = false;
  // 4 open, 5 enabled, 6 a transfer ready, 7 an image taken.
  int state = 4;
  bool armed = false;     // a transfer is offered at the next event
  bool started = false;   // the next image's scan has begun
  bool cancelled = false; // the last transfer was cancelled
  bool cut = false;       // the last image ended before its scan did
};

struct Manager {
  bool open = false;
  std::optional<Source> source;
  TW_UINT32 nextId = 1;

  ~Manager() {
    if (source) {
      sane_cancel(source->handle);
      sane_close(source->handle);
    }
    if (open) sane_exit();
  }
};

Manager& M() {
  static Manager m;
  return m;
}

// The devices the library finds, at most kMaxDevices, names not null.
std::vector<const SANE_Device*> Devices() {
  std::vector<const SANE_Device*> out;
  const SANE_Device** list = nullptr;
  if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list) return out;
  for (int i = 0; i < kMaxDevices && list[i]; ++i)
    if (list[i]->name && *list[i]->name) out.push_back(list[i]);
  return out;
}

// The device of the settings file, else the first device found.
std::optional<std::string> DefaultDevice(const SANE_Device** found = nullptr) {
  const twainini::Settings settings = twainini::ReadSettings(twainini::SettingsPath());
  const std::vector<const SANE_Device*> devices = Devices();
  if (!settings.device.empty()) {
    for (const SANE_Device* d : devices)
      if (settings.device == d->name) {
        if (found) *found = d;
        return settings.device;
      }
    return settings.device;  // not listed, but may open by name
  }
  if (devices.empty()) return std::nullopt;
  if (found) *found = devices.front();
  return std::string(devices.front()->name);
}

void FillIdentity(TW_IDENTITY& id, const std::string& name, const SANE_Device* device) {
  const TW_UINT32 keep = id.Id;
  std::memset(&id, 0, sizeof id);
  id.Id = keep;
  id.Version.MajorNum = 1;
  id.Version.Language = TWLG_USA;
  id.Version.Country = TWCY_USA;
  CopyText(id.Version.Info, device && device->type ? device->type : "");
  id.ProtocolMajor = TWON_PROTOCOLMAJOR;
  id.ProtocolMinor = TWON_PROTOCOLMINOR;
  id.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyText(id.Manufacturer, device && device->vendor ? device->vendor : "");
  CopyText(id.ProductFamily, device && device->model ? device->model : "");
  CopyText(id.ProductName, name.c_str());
}

// The option of that name (any letter case), active and settable; 0 for none.
SANE_Int FindOption(SANE_Handle h, const std::string& name, const SANE_Option_Descriptor** out) {
  const std::string want = Lower(name);
  for (SANE_Int i = 1; i < kMaxOptions; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
    if (!d) break;
    if (!d->name || Lower(d->name) != want) continue;
    *out = d;
    return i;
  }
  return 0;
}

bool ParseBool(const std::string& v, SANE_Word* out) {
  const std::string s = Lower(v);
  if (s == "1" || s == "true" || s == "yes" || s == "on") *out = SANE_TRUE;
  else if (s == "0" || s == "false" || s == "no" || s == "off") *out = SANE_FALSE;
  else return false;
  return true;
}

// Sets one option from its text; options the device lacks or refuses are left.
void SetOption(SANE_Handle h, const std::string& name, const std::string& value) {
  const SANE_Option_Descriptor* d = nullptr;
  const SANE_Int index = FindOption(h, name, &d);
  if (!index || !SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap)) return;
  SANE_Int info = 0;
  switch (d->type) {
    case SANE_TYPE_BOOL:
    case SANE_TYPE_INT:
    case SANE_TYPE_FIXED: {
      if (d->size != SANE_Int(sizeof(SANE_Word))) return;  // lists are not set
      SANE_Word word = 0;
      char* end = nullptr;
      if (d->type == SANE_TYPE_BOOL) {
        if (!ParseBool(value, &word)) return;
      } else if (d->type == SANE_TYPE_INT) {
        const long v = std::strtol(value.c_str(), &end, 10);
        if (end == value.c_str() || v < -0x7FFFFFFFL || v > 0x7FFFFFFFL) return;
        word = SANE_Word(v);
      } else {
        const double v = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || !(v > -32767.0 && v < 32767.0)) return;
        word = SANE_FIX(v);
      }
      sane_control_option(h, index, SANE_ACTION_SET_VALUE, &word, &info);
      return;
    }
    case SANE_TYPE_STRING: {
      if (d->size <= 0 || d->size > kMaxStringOption || SANE_Int(value.size()) >= d->size) return;
      std::vector<char> buf(std::size_t(d->size), 0);
      std::memcpy(buf.data(), value.data(), value.size());
      sane_control_option(h, index, SANE_ACTION_SET_VALUE, buf.data(), &info);
      return;
    }
    default:
      return;
  }
}

// Whether the device's "source" option names a document feeder.
bool FeedsDocuments(SANE_Handle h) {
  const SANE_Option_Descriptor* d = nullptr;
  const SANE_Int index = FindOption(h, "source", &d);
  if (!index || d->type != SANE_TYPE_STRING || d->size <= 0 || d->size > kMaxStringOption) return false;
  std::vector<char> buf(std::size_t(d->size) + 1, 0);
  if (sane_control_option(h, index, SANE_ACTION_GET_VALUE, buf.data(), nullptr) != SANE_STATUS_GOOD) return false;
  buf.back() = 0;
  const std::string v = Lower(buf.data());
  return v.find("feeder") != std::string::npos || v.find("adf") != std::string::npos;
}

TW_UINT16 ReturnCodeOf(SANE_Status status) {
  return status == SANE_STATUS_CANCELLED ? TWRC_CANCEL : TWRC_FAILURE;
}

// Scans one image (all of its frames) into a packed bitmap.
SANE_Status ScanImage(Source& s, plat::HGLOBAL* out) {
  scanframe::Assembler image;
  std::vector<SANE_Byte> buf(std::size_t(1) << 16);
  s.cut = false;
  for (int frame = 0; frame < kMaxFrames && !image.Complete(); ++frame) {
    if (!(frame == 0 && s.started)) {
      const SANE_Status st = sane_start(s.handle);
      if (st != SANE_STATUS_GOOD) return st;
    }
    s.started = true;
    SANE_Parameters p{};
    if (sane_get_parameters(s.handle, &p) != SANE_STATUS_GOOD) return SANE_STATUS_IO_ERROR;
    scanframe::FrameParams fp;
    fp.format = int(p.format);
    fp.lastFrame = p.last_frame != SANE_FALSE;
    fp.bytesPerLine = p.bytes_per_line;
    fp.pixelsPerLine = p.pixels_per_line;
    fp.lines = p.lines;
    fp.depth = p.depth;
    if (!image.BeginFrame(fp)) return SANE_STATUS_INVAL;
    int idle = 0;
    bool full = false;
    std::size_t dropped = 0;
    for (;;) {
      SANE_Int n = 0;
      const SANE_Status st = sane_read(s.handle, buf.data(), SANE_Int(buf.size()), &n);
      if (st == SANE_STATUS_EOF) break;
      if (st != SANE_STATUS_GOOD) return st;
      if (n < 0 || std::size_t(n) > buf.size()) return SANE_STATUS_IO_ERROR;
      if (n == 0) {
        if (++idle > kMaxIdleReads) return SANE_STATUS_IO_ERROR;
        continue;
      }
      idle = 0;
      if (!full) {
        full = !image.Add(buf.data(), std::size_t(n));
      } else if ((dropped += std::size_t(n)) > kMaxDiscard) {
        // More than the frame can hold and no end in sight: a whole image
        // is kept without waiting for the rest of the scan.
        if (!(fp.lastFrame || fp.format <= scanframe::kRgb)) return SANE_STATUS_IO_ERROR;
        s.cut = true;
        break;
      }
    }
    image.EndFrame();
    if (s.cut || fp.lastFrame) break;
  }
  *out = image.TakeDib();
  return *out ? SANE_STATUS_GOOD : SANE_STATUS_NO_MEM;
}

void StopScan(Source& s) {
  if (s.started) sane_cancel(s.handle);
  s.started = false;
}

// The scanner library and its backends share helpers that keep copies of
// the settings folder's name for the process. Put in the global scope, as a
// program linked with it has it, and kept for the process's life, the library
// holds the one copy; loaded with this library alone, every open and close
// would lose the library's copy and each backend's.
void KeepScannerLibrary() {
  static const bool kept =
      ::dlopen("libsane.so.1", RTLD_NOW | RTLD_GLOBAL | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
  (void)kept;
}

TW_UINT16 ManagerCall(Manager& m, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (dg != DG_CONTROL) return TWRC_FAILURE;
  if (dat == DAT_PARENT) {
    if (msg == MSG_OPENDSM) {
      if (m.open) return TWRC_FAILURE;
      KeepScannerLibrary();
      SANE_Int version = 0;
      if (sane_init(&version, nullptr) != SANE_STATUS_GOOD) return TWRC_FAILURE;
      m.open = true;
      return TWRC_SUCCESS;
    }
    if (msg == MSG_CLOSEDSM) {
      if (!m.open || m.source) return TWRC_FAILURE;
      sane_exit();
      m.open = false;
      return TWRC_SUCCESS;
    }
    return TWRC_FAILURE;
  }
  if (dat != DAT_IDENTITY || !m.open || !data) return TWRC_FAILURE;
  auto* id = static_cast<TW_IDENTITY*>(data);
  switch (msg) {
    case MSG_GETDEFAULT:
    case MSG_USERSELECT: {
      const SANE_Device* device = nullptr;
      const std::optional<std::string> name = DefaultDevice(&device);
      if (!name) return TWRC_FAILURE;
      id->Id = 0;
      FillIdentity(*id, *name, device);
      return TWRC_SUCCESS;
    }
    case MSG_OPENDS: {
      if (m.source) return TWRC_FAILURE;
      char wanted[sizeof id->ProductName];
      std::memcpy(wanted, id->ProductName, sizeof wanted);
      wanted[sizeof wanted - 1] = 0;
      const SANE_Device* device = nullptr;
      std::optional<std::string> name;
      if (*wanted) {
        // A name of full length may be cut: the first device it begins.
        name = wanted;
        for (const SANE_Device* d : Devices())
          if (name == d->name || (std::strlen(wanted) == sizeof wanted - 1 &&
                                  std::strncmp(d->name, wanted, sizeof wanted - 1) == 0)) {
            device = d;
            name = d->name;
            break;
          }
      } else {
        name = DefaultDevice(&device);
      }
      if (!name) return TWRC_FAILURE;
      SANE_Handle h = nullptr;
      if (sane_open(name->c_str(), &h) != SANE_STATUS_GOOD || !h) return TWRC_FAILURE;
      Source s;
      s.handle = h;
      for (const auto& [key, value] : twainini::ReadSettings(twainini::SettingsPath()).options)
        SetOption(h, key, value);
      s.feeder = FeedsDocuments(h);
      if (m.nextId == 0) m.nextId = 1;
      id->Id = m.nextId++;
      FillIdentity(*id, *name, device);
      s.identity = *id;
      m.source = s;
      return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS: {
      if (!m.source || id->Id != m.source->identity.Id || m.source->state != 4) return TWRC_FAILURE;
      StopScan(*m.source);
      sane_close(m.source->handle);
      m.source.reset();
      return TWRC_SUCCESS;
    }
    default:
      return TWRC_FAILURE;
  }
}

TW_UINT16 SourceCall(Source& s, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (!data) return TWRC_FAILURE;
  if (dg == DG_IMAGE) {
    if (dat != DAT_IMAGENATIVEXFER || msg != MSG_GET) return TWRC_FAILURE;
    auto* handle = static_cast<TW_UINT32*>(data);
    *handle = 0;
    if (s.state != 6) return TWRC_FAILURE;
    plat::HGLOBAL dib = 0;
    const SANE_Status st = ScanImage(s, &dib);
    if (st == SANE_STATUS_GOOD) {
      *handle = dib;
      s.cancelled = false;
      s.state = 7;
      return TWRC_XFERDONE;
    }
    StopScan(s);
    if (st == SANE_STATUS_CANCELLED) {
      s.cancelled = true;
      s.state = 7;
      return TWRC_CANCEL;
    }
    return ReturnCodeOf(st);
  }
  if (dg != DG_CONTROL) return TWRC_FAILURE;
  switch (dat) {
    case DAT_USERINTERFACE:
      if (msg == MSG_ENABLEDS) {
        if (s.state != 4) return TWRC_FAILURE;
        s.state = 5;
        s.armed = true;
        return TWRC_SUCCESS;
      }
      if (msg == MSG_DISABLEDS) {
        if (s.state != 5) return TWRC_FAILURE;
        StopScan(s);
        s.armed = false;
        s.state = 4;
        return TWRC_SUCCESS;
      }
      return TWRC_FAILURE;
    case DAT_EVENT: {
      if (msg != MSG_PROCESSEVENT) return TWRC_FAILURE;
      auto* event = static_cast<TW_EVENT*>(data);
      event->TWMessage = MSG_NULL;
      if (s.state != 5) return TWRC_NOTDSEVENT;
      if (s.armed) {
        s.armed = false;
        s.state = 6;
        event->TWMessage = MSG_XFERREADY;
      } else {
        event->TWMessage = MSG_CLOSEDSREQ;
      }
      return TWRC_DSEVENT;
    }
    case DAT_PENDINGXFERS: {
      auto* pending = static_cast<TW_PENDINGXFERS*>(data);
      if (msg == MSG_ENDXFER) {
        if (s.state != 7) return TWRC_FAILURE;
        // A feeder goes on while it has paper; anything else gives one image.
        bool more = false;
        if (s.feeder && !s.cancelled && !s.cut && s.started) {
          more = sane_start(s.handle) == SANE_STATUS_GOOD;
          if (!more) StopScan(s);
        } else {
          StopScan(s);
        }
        pending->Count = more ? twain::kUnknownCount : 0;
        s.state = more ? 6 : 5;
        return TWRC_SUCCESS;
      }
      if (msg == MSG_RESET) {
        if (s.state != 6) return TWRC_FAILURE;
        StopScan(s);
        pending->Count = 0;
        s.state = 5;
        return TWRC_SUCCESS;
      }
      return TWRC_FAILURE;
    }
    default:
      return TWRC_FAILURE;
  }
}

}  // namespace

TWAIN_EXPORT TW_UINT16 DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                                 TW_UINT16 msg, TW_MEMREF data) {
  if (!origin) return TWRC_FAILURE;
  Manager& m = M();
  if (!dest) return ManagerCall(m, dg, dat, msg, data);
  if (!m.open || !m.source || dest->Id != m.source->identity.Id) return TWRC_FAILURE;
  return SourceCall(*m.source, dg, dat, msg, data);
}
