// The design program's settings as start-up reads them, from one hostile INI
// standing both as "VORLAN98.INI" and as the user profile: the layout stage,
// the language table, the text defaults, the image bar and undo limits.
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "app/settingsload.h"
#include "fuzz/fuzz_util.h"
#include "model/imageobject.h"
#include "model/settings.h"
#include "model/undo.h"
#include "platform/profile.h"
#include "text/language.h"
#include "text/textattr.h"

namespace {

plat::UserProfile& Profile() {
  static plat::UserProfile profile = [] {
    ::setenv("TINDREL_PROFILE_DIR", fuzz::ScratchFolder().c_str(), 1);
    ::mkdir((fuzz::ScratchFolder() + "VorlanSoft").c_str(), 0700);
    return plat::UserProfile("VorlanSoft", "Fuzz");
  }();
  return profile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  static const bool attached = [] {
    plat::SetAppProfile(&Profile());
    g_Profile.Attach();
    return true;
  }();
  (void)attached;
  const std::string ini = fuzz::WriteScratchFile("VORLAN98.INI", data, size);
  fuzz::WriteScratchFile("VorlanSoft/Fuzz.ini", data, size);
  g_IniFile.SetPath(ini);

  LoadAppSettings(SETTINGS_LAYOUT, nullptr);
  g_Language.Load();
  for (int slot = -1; slot <= CLanguage::kSlots; ++slot) {
    char name[CLanguage::kNameSize];
    (void)g_Language.GetName(slot, name);
    (void)g_Language.GetId(slot);
    std::string out;
    const int mounts = g_Language.GetMountCount(slot);
    for (int group = 0; group < mounts && group < 4; ++group) {
      g_Language.GetMountName(slot, group, out);
      g_Language.GetMountPath(slot, group, out);
    }
    g_Language.GetTtfMountPath(slot, out);
  }
  CTextAttr attr;
  attr.LoadDefaults(g_Profile, g_IniFile, 0x0804);
  (void)ImageBarSettings::Load();
  const std::uint16_t steps = ReadUndoStepLimit(g_IniFile);
  CUndoList undo(nullptr, steps);
  return 0;
}
