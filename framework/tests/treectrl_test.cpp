#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/treectrl.h"
#include "framework/wnd.h"

using namespace fw;

namespace {

// Answers the tree's notifications as told and records them.
class Parent : public CWnd {
 public:
  std::vector<std::string> log;
  LRESULT beginAnswer = 0, endAnswer = 1;
  BOOL OnNotify(WPARAM, LPARAM lp, LRESULT* result) override {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    if (hdr->code == TVN_SELCHANGED) {
      auto* nm = reinterpret_cast<NMTREEVIEW*>(hdr);
      log.push_back("sel " + std::to_string(nm->itemOld.hItem) + ">" + std::to_string(nm->itemNew.hItem));
    } else if (hdr->code == TVN_BEGINLABELEDIT) {
      log.push_back("begin");
      *result = beginAnswer;
    } else if (hdr->code == TVN_ENDLABELEDIT) {
      log.push_back(std::string("end ") + reinterpret_cast<NMTVDISPINFO*>(hdr)->item.pszText);
      *result = endAnswer;
    }
    return TRUE;
  }
};

TEST(TreeCtrl, ItemsUnderParents) {
  Parent parent;
  ASSERT_TRUE(parent.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 200, 200}, nullptr, 0));
  CTreeCtrl tree;
  ASSERT_TRUE(tree.CreateEx(0, "SysTreeView32", "", WS_CHILD | WS_VISIBLE | TVS_EDITLABELS, RECT{0, 0, 200, 200},
                            &parent, 9));
  const HTREEITEM a = tree.InsertItem("A", 0, 0);
  const HTREEITEM c = tree.InsertItem("C");
  const HTREEITEM b = tree.InsertItem("B", TVI_ROOT, a);  // after A
  const HTREEITEM first = tree.InsertItem("0", TVI_ROOT, TVI_FIRST);
  const HTREEITEM a1 = tree.InsertItem("a1", 1, 2, a);
  const HTREEITEM a2 = tree.InsertItem("a2", a);
  EXPECT_EQ(tree.InsertItem("x", HTREEITEM(999)), 0u);  // no such parent
  EXPECT_EQ(tree.GetCount(), 6u);
  std::vector<std::string> roots;
  for (HTREEITEM h = tree.GetRootItem(); h; h = tree.GetNextSiblingItem(h)) roots.push_back(tree.GetItemText(h));
  EXPECT_EQ(roots, (std::vector<std::string>{"0", "A", "B", "C"}));
  EXPECT_EQ(tree.GetChildItem(a), a1);
  EXPECT_EQ(tree.GetNextSiblingItem(a1), a2);
  EXPECT_EQ(tree.GetParentItem(a2), a);
  EXPECT_EQ(tree.GetParentItem(a), 0u);
  EXPECT_EQ(tree.GetItemIndex(a2), 1);
  EXPECT_EQ(tree.GetItemIndex(c), 3);
  int image = 0, selected = 0;
  ASSERT_TRUE(tree.GetItemImage(a1, image, selected));
  EXPECT_EQ(image, 1);
  EXPECT_EQ(selected, 2);
  tree.SetItemData(a2, 77);
  EXPECT_EQ(tree.GetItemData(a2), 77u);

  tree.UserSelect(a2);
  tree.SelectItem(a2);  // unchanged: no notification
  EXPECT_EQ(tree.GetSelectedItem(), a2);
  EXPECT_TRUE(tree.DeleteItem(a));  // with its children and the selection
  EXPECT_EQ(tree.GetCount(), 3u);
  EXPECT_EQ(tree.GetSelectedItem(), 0u);
  EXPECT_EQ(tree.GetItemText(a1), "");
  EXPECT_FALSE(tree.DeleteItem(a));
  EXPECT_EQ(parent.log, (std::vector<std::string>{"sel 0>" + std::to_string(a2)}));
  (void)b, (void)first;
  tree.DeleteAllItems();
  EXPECT_EQ(tree.GetCount(), 0u);
  EXPECT_EQ(tree.GetRootItem(), 0u);
  ResetWindowSystem();
}

TEST(TreeCtrl, LabelEditsNeedTheParentsConsent) {
  Parent parent;
  ASSERT_TRUE(parent.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 200, 200}, nullptr, 0));
  CTreeCtrl tree, plain;
  ASSERT_TRUE(tree.CreateEx(0, "SysTreeView32", "", WS_CHILD | WS_VISIBLE | TVS_EDITLABELS, RECT{0, 0, 100, 100},
                            &parent, 9));
  ASSERT_TRUE(plain.CreateEx(0, "SysTreeView32", "", WS_CHILD | WS_VISIBLE, RECT{100, 0, 200, 100}, &parent, 10));
  const HTREEITEM h = tree.InsertItem("old");
  EXPECT_TRUE(tree.UserEditLabel(h, "new"));
  EXPECT_EQ(tree.GetItemText(h), "new");
  parent.endAnswer = 0;
  EXPECT_FALSE(tree.UserEditLabel(h, "refused"));
  EXPECT_EQ(tree.GetItemText(h), "new");
  parent.beginAnswer = 1;
  EXPECT_FALSE(tree.UserEditLabel(h, "never asked"));
  EXPECT_EQ(parent.log, (std::vector<std::string>{"begin", "end new", "begin", "end refused", "begin"}));
  const HTREEITEM p = plain.InsertItem("fixed");
  EXPECT_FALSE(plain.UserEditLabel(p, "x"));  // labels of this tree cannot be edited
  EXPECT_EQ(plain.GetItemText(p), "fixed");
  ResetWindowSystem();
}

}  // namespace
