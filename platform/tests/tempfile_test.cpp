#include "platform/tempfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "platform/tests/temp_dir.h"

using namespace plat;

namespace {

class TempFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* t = std::getenv("TMPDIR")) old = t, had = true;
    ::setenv("TMPDIR", dir.path().c_str(), 1);
  }
  void TearDown() override {
    if (had) ::setenv("TMPDIR", old.c_str(), 1);
    else ::unsetenv("TMPDIR");
  }
  mode_t Mode(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
  }
  TempDir dir;
  std::string old;
  bool had = false;
  std::string own = "tindrel-" + std::to_string(::getuid());
};

}  // namespace

TEST_F(TempFileTest, PrivateFolderPerUser) {
  std::string folder = GetTempFolder();
  EXPECT_EQ(folder, dir / own + "/");
  EXPECT_EQ(Mode(dir / own), 0700u);
  // Loose permissions on our own folder are tightened.
  ::chmod((dir / own).c_str(), 0777);
  EXPECT_EQ(GetTempFolder(), folder);
  EXPECT_EQ(Mode(dir / own), 0700u);
}

TEST_F(TempFileTest, UnsafeFolderNameIsNotUsed) {
  TempDir elsewhere;
  std::filesystem::create_directory_symlink(elsewhere.path(), dir / own);
  std::string folder = GetTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder, dir / own + "/");
  EXPECT_EQ(folder.compare(0, dir.path().size(), dir.path()), 0);
  EXPECT_EQ(Mode(folder.substr(0, folder.size() - 1)), 0700u);
  EXPECT_EQ(GetTempFolder(), folder);  // the same for the rest of the process
  std::string out;
  EXPECT_NE(GetTempFileName(folder, "OSD", out), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
}

TEST_F(TempFileTest, UniqueNamesCreatedExclusively) {
  std::string folder = GetTempFolder();
  std::set<std::string> names;
  for (int i = 0; i < 200; ++i) {
    std::string path;
    unsigned n = GetTempFileName(folder, "OSDATA", path);
    ASSERT_NE(n, 0u);
    char tail[16];
    std::snprintf(tail, sizeof tail, "%04X.TMP", n);
    EXPECT_EQ(path, folder + "OSD" + tail);
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_EQ(Mode(path), 0600u);
    names.insert(path);
  }
  EXPECT_EQ(names.size(), 200u);
  std::string out = "x";
  EXPECT_EQ(GetTempFileName(dir / "missing", "OSD", out), 0u);
  EXPECT_EQ(out, "");
  EXPECT_NE(GetTempFileName(folder, "a/", out), 0u);  // a slash cannot leave the folder
  EXPECT_EQ(out.rfind('/'), folder.size() - 1);
}
