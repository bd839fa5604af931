#include "platform/gmem.h"

#include <gtest/gtest.h>
#include <dlfcn.h>

#include <cstring>
#include <string>

using namespace plat;

TEST(GlobalMemory, SizeIsExactAndZeroInitHolds) {
  for (std::size_t n : {0u, 1u, 9u, 4097u}) {
    HGLOBAL h = GlobalAlloc(GHND, n);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(GlobalSize(h), n);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(p[i], 0) << i;
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), 0u);
  }
}

TEST(GlobalMemory, ResizeKeepsContentAndZeroFillsGrowth) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(h), "abcd", 4);
  GlobalUnlock(h);
  ASSERT_EQ(GlobalReAlloc(h, 100000, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
  EXPECT_EQ(GlobalSize(h), 100000u);
  {
    GlobalLockGuard g(h);
    EXPECT_EQ(std::memcmp(g.bytes(), "abcd", 4), 0);
    for (std::size_t i = 4; i < 100000; ++i) ASSERT_EQ(g.bytes()[i], 0) << i;
  }
  ASSERT_EQ(GlobalReAlloc(h, 2, GMEM_MOVEABLE), h);
  EXPECT_EQ(GlobalSize(h), 2u);
  {
    GlobalLockGuard g(h);
    EXPECT_EQ(std::memcmp(g.bytes(), "ab", 2), 0);
  }
  GlobalFree(h);
}

TEST(GlobalMemory, DuplicateCopiesContentIntoANewBlock) {
  HGLOBAL h = GlobalAlloc(GHND, 3);
  std::memcpy(GlobalLock(h), "xyz", 3);
  GlobalUnlock(h);
  HGLOBAL d = GlobalDuplicate(h);
  ASSERT_NE(d, 0u);
  ASSERT_NE(d, h);
  EXPECT_EQ(GlobalSize(d), 3u);
  GlobalFree(h);
  GlobalLockGuard g(d);
  EXPECT_EQ(std::memcmp(g.bytes(), "xyz", 3), 0);
  GlobalFree(d);
}

TEST(GlobalMemory, MisuseFailsCleanly) {
  HGLOBAL h = GlobalAlloc(GHND, 8);
  EXPECT_EQ(GlobalFree(h), 0u);
  // Freed, unknown and null handles are refused without touching memory.
  for (HGLOBAL bad : {h, HGLOBAL(0), HGLOBAL(0xFFFFFFFF), HGLOBAL(12345)}) {
    EXPECT_EQ(GlobalFree(bad), bad);
    EXPECT_EQ(GlobalLock(bad), nullptr);
    EXPECT_FALSE(GlobalUnlock(bad));
    EXPECT_EQ(GlobalSize(bad), 0u);
    EXPECT_EQ(GlobalReAlloc(bad, 16, GHND), 0u);
    EXPECT_EQ(GlobalDuplicate(bad), 0u);
  }
  // A reused slot gets a new handle; the stale one stays dead.
  HGLOBAL again = GlobalAlloc(GHND, 8);
  EXPECT_NE(again, h);
  EXPECT_FALSE(GlobalIsValid(h));
  GlobalFree(again);
}

TEST(GlobalMemory, LockCountsNest) {
  HGLOBAL h = GlobalAlloc(GHND, 1);
  GlobalLock(h);
  GlobalLock(h);
  EXPECT_EQ(GlobalLockCount(h), 2u);
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));  // not locked any more
  GlobalFree(h);
}

TEST(GlobalMemory, OwnerFreesOnScopeExit) {
  std::size_t before = GlobalLiveCount();
  {
    GlobalBlock b(GHND, 10);
    EXPECT_EQ(GlobalLiveCount(), before + 1);
    GlobalBlock moved = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(moved.size(), 10u);
  }
  EXPECT_EQ(GlobalLiveCount(), before);
}

// A block allocated inside one shared library is freed by another: one table per process.
TEST(GlobalMemory, BlockCrossesSharedLibraries) {
  std::string path = std::string(TINDREL_BIN_DIR) + "/libgmem_peer.so";
  void* lib = dlopen(path.c_str(), RTLD_NOW);
  ASSERT_NE(lib, nullptr) << dlerror();
  using AllocFn = HGLOBAL (*)(const char*);
  using FreeFn = int (*)(HGLOBAL);
  auto alloc = reinterpret_cast<AllocFn>(dlsym(lib, "PeerAllocText"));
  auto freeFn = reinterpret_cast<FreeFn>(dlsym(lib, "PeerFree"));
  ASSERT_TRUE(alloc && freeFn);
  HGLOBAL h = alloc("peer");
  ASSERT_TRUE(GlobalIsValid(h));
  {
    GlobalLockGuard g(h);
    EXPECT_STREQ(g.as<char>(), "peer");
  }
  EXPECT_EQ(GlobalFree(h), 0u);
  HGLOBAL mine = GlobalAlloc(GHND, 4);
  EXPECT_EQ(freeFn(mine), 1);
  EXPECT_FALSE(GlobalIsValid(mine));
  dlclose(lib);
}
