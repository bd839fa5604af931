// "Lib Manager": browses pictures (any font or library as the source) and
// builds the mounted libraries (the tree of libraries and kinds as the target):
// new libraries and kinds, renames, single pictures or whole kinds copied in,
// graphs deleted, a kind's order shuffled.
#pragma once
#include <cstdint>
#include <string>

#include "framework/dialog.h"
#include "framework/imagelist.h"
#include "framework/treectrl.h"
#include "text/libbrowser.h"

constexpr std::uint32_t IDD_LIB_MANAGER = 281;
constexpr std::uint32_t IDB_LIB_TREE = 214;  // 16-pixel images: library, kind
constexpr std::uint32_t IDC_MGR_SOURCE_TYPE = 1135;
constexpr std::uint32_t IDC_MGR_SOURCE_NAME = 1252;
constexpr std::uint32_t IDC_MGR_PICTURES = 32810;
constexpr std::uint32_t IDC_MGR_TREE = 1246;
constexpr std::uint32_t IDC_MGR_LIBRARIES = 1249;
constexpr std::uint32_t IDC_MGR_FILE_NAME = 1250;
constexpr std::uint32_t IDC_MGR_NEW = 1134;
constexpr std::uint32_t IDC_MGR_NEW_KIND = 1247;
constexpr std::uint32_t IDC_MGR_DELETE_GRAPH = 1262;
constexpr std::uint32_t IDC_MGR_APPEND_KIND = 1263;
constexpr std::uint32_t IDC_MGR_RANDOMIZE = 1265;

// Registers the dialog's template and its tree pictures.
void RegisterLibManagerResources();

class CLibManagerDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CLibManagerDlg();
  ~CLibManagerDlg() override;

  fw::BOOL OnInitDialog() override;
  void OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) override;
  void Refresh();
  void OnNewLibrary();
  void OnNewKind();
  void OnAddGraph();
  void OnAppendKind();
  void OnDeleteGraph();
  void OnRandomize();
  // The tree's selection as a mounted-library index and a kind (-1: none).
  void GetTarget(int* library, int* kind) const;

 private:
  void OnSourceTypeChanged();
  void OnSourceNameChanged();
  void OnEndLabelEdit(fw::NMHDR* hdr, fw::LRESULT* result);
  // The source choice; false (and the message) when no type or name is chosen.
  bool SourceChosen(int* type, int* number) const;
  int ItemPicture(int item) const;
  void Say(const char* text) const;

  CLibBrowser browser_;
  CGraphLib lib_;
  fw::CImageList images_;
};
