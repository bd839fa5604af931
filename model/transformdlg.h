// The Transform dialog (261): the shape library's transforms by name and
// picture; OK replaces the design view's one selected object by a
// transformed object built on it, as one undo step, and enters node editing.
#pragma once
#include <cstdint>

#include "framework/dialog.h"
#include "framework/imagelist.h"

class CDesignViewServices;

constexpr std::uint32_t IDD_TRANSFORM = 261;
constexpr std::uint32_t IDC_TRANSFORM_NAMES = 1148;
constexpr std::uint32_t IDC_TRANSFORM_PICTURES = 1150;
constexpr std::uint32_t IDC_TRANSFORM_LABEL = 65535;

// Our template of dialog 261, registered once.
void RegisterTransformDialog();

class CTransformDlg : public fw::CDialog {
 public:
  explicit CTransformDlg(fw::CWnd* parent = nullptr);

  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) override;

  const fw::CImageList& GetImages() const { return m_images; }

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnNamesChanged();
  void OnPicturesChanged();

 private:
  fw::CImageList m_images;
};

// Replaces the view's one selected object (neither an image nor a
// transformed object) by a transformed object with the transform number,
// as one undo step; false when nothing changed.
bool TransformSelection(CDesignViewServices& view, int number);
