// Objects travel between two running programs through the registered
// object-list format of the shared clipboard.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/clipboard.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/segarray.h"
#include "model/services.h"
#include "model/tests/segarray_fixtures.h"
#include "platform/ipc.h"

namespace {

// The application's adapter: the list's clipboard calls on the framework's clipboard.
class FrameworkClipboard : public CClipboardServices {
 public:
  bool Open() override { return fw::OpenClipboard(nullptr); }
  bool Empty() override { return fw::EmptyClipboard(); }
  bool SetData(std::uint32_t format, plat::HGLOBAL block) override {
    return fw::SetClipboardData(format, block) != 0;
  }
  void Close() override { fw::CloseClipboard(); }
  bool IsFormatAvailable(std::uint32_t format) override { return fw::IsClipboardFormatAvailable(format); }
  plat::HGLOBAL GetData(std::uint32_t format) override { return fw::GetClipboardData(format); }
};

struct SharedClipboardTest : ::testing::Test {
  std::string folder;
  LineReader lines;
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "seglist-clip-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    folder = tmpl;
    plat::SetSharedFolder(folder + "/shared");
    fw::ResetClipboard();
    fw::SetClipboardStore(fw::ClipboardStore::Shared);
  }
  void TearDown() override {
    fw::ResetClipboard();
    fw::SetClipboardStore(fw::ClipboardStore::Process);
    plat::SetSharedFolder("");
    RegisteredClipboardFormats().objectList = 0;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

TEST_F(SharedClipboardTest, SelectedObjectsReachTheOtherProgram) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The other program: registers a format first, then the object list's,
    // copies a selected path and a selected group, leaves one object out.
    FrameworkClipboard clip;
    SetClipboardServices(&clip);
    fw::RegisterClipboardFormat("CutterVorlan V60 - [TextBoxes]");
    RegisteredClipboardFormats().objectList = fw::RegisterClipboardFormat(kObjectListFormatName);
    CSegArray list;
    auto* path = new CPathObject;
    path->AddRectangle(1, 2, 3, 4);
    path->EndPoints();
    path->color = 0x123456;
    path->selected = 1;
    list.Add(path);
    list.Add(new TestLine(50, 50, 60, 60));  // not selected
    auto* group = new CGroupObject;
    group->AddChild(new TestLine(0, 0, 1, 1));
    group->AddChild(new TextStandIn("Hi"));
    group->AddChild(new TestLine(2, 2, 3, 3));
    group->selected = 1;
    list.Add(group);
    const bool ok = RegisteredClipboardFormats().objectList != 0 && list.CopyToClipboard() == 1;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  // This program registers only the object list's name and gets the same id.
  const fw::UINT seg = fw::RegisterClipboardFormat(kObjectListFormatName);
  ASSERT_NE(seg, 0u);
  FrameworkClipboard clip;
  ASSERT_TRUE(clip.Open());
  ASSERT_TRUE(clip.IsFormatAvailable(seg));
  std::unique_ptr<CSegArray> pasted = CSegArray::UnpackFromGlobal(clip.GetData(seg));
  std::string text;
  if (plat::HGLOBAL t = clip.GetData(CClipboardServices::kTextFormat)) {
    plat::GlobalLockGuard lock(t);
    text.assign(reinterpret_cast<const char*>(lock.bytes()));
  }
  clip.Close();

  EXPECT_EQ(text, "Hi");
  ASSERT_TRUE(pasted);
  ASSERT_EQ(pasted->GetSize(), 2);
  ASSERT_EQ(pasted->GetAt(0)->kind, OBJ_PATH);
  const auto* path = static_cast<const CPathObject*>(pasted->GetAt(0));
  EXPECT_EQ(path->color, 0x123456u);
  EXPECT_EQ(path->bounds, CFRect(1, 2, 3, 4));
  EXPECT_EQ(path->count, 6);
  ASSERT_EQ(pasted->GetAt(1)->kind, OBJ_GROUP);
  const auto* group = static_cast<const CGroupObject*>(pasted->GetAt(1));
  ASSERT_EQ(group->GetChildCount(), 2);  // the stand-in writes no record
  EXPECT_EQ(AsLine(group->GetChild(1))->x2, 3.0f);
}

}  // namespace
