// The floating property window and the panels that stand in it: the text
// arrangement panels (arc, arch, path), the guide-line panel and the empty
// panel. Objects reach the window and its panel through CWindowServices.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "framework/dialog.h"
#include "framework/docview.h"
#include "model/services.h"

// CWindowServices over one framework window (not owned).
class CWndServices : public CWindowServices {
 public:
  explicit CWndServices(fw::CWnd* wnd) : m_wnd(wnd) {}
  fw::CWnd* Window() const { return m_wnd; }

  CWindowServices* GetFirstChild() override { return nullptr; }
  std::intptr_t GetUserData() const override { return m_userData; }
  void SetUserData(std::intptr_t data) override { m_userData = data; }
  void Destroy() override;
  plat::RECT GetWindowRect() const override;
  plat::RECT GetClientRect() const override;
  void MoveWindow(int x, int y, int width, int height) override;
  void Show(bool show) override;
  void SetText(std::string_view text) override;
  CWindowServices* CreateChildDialog(std::uint32_t) override { return nullptr; }
  std::string GetItemText(std::uint32_t id) const override;
  void SetItemText(std::uint32_t id, std::string_view text) override;
  bool IsItemChecked(std::uint32_t id) const override;
  void CheckItem(std::uint32_t id, bool check) override;

 private:
  fw::CWnd* m_wnd;
  std::intptr_t m_userData = 0;
};

// A text arrangement panel: picture buttons for the placement and the three
// switches, the shape's fields and button 1, which applies the panel to the
// current object of the active design view.
class CArrangePage : public fw::CDialog {
 public:
  explicit CArrangePage(fw::UINT templateId) : fw::CDialog(templateId) {}
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  // The panel stays when Escape is pressed.
  void OnCancel() override {}
};

class CArcArrangePage : public CArrangePage {
 public:
  CArcArrangePage();
};

class CArchArrangePage : public CArrangePage {
 public:
  CArchArrangePage();
};

class CPathArrangePage : public CArrangePage {
 public:
  CPathArrangePage();
};

// Registers the empty panel and the panel button pictures.
void RegisterPropertyResources();

// The floating property window; its panel belongs to the current object.
class CPropertyFrame : public fw::CMiniFrameWnd {
 public:
  // Keeps the address of the program-wide pointer, which it clears when it goes.
  explicit CPropertyFrame(CPropertyFrame** owner);
  ~CPropertyFrame() override;

  // What the objects see of the window.
  CWindowServices& Services() { return m_services; }
  // The panel now shown, null without one.
  fw::CDialog* GetPage() const { return m_page.get(); }
  CWindowServices* GetPageServices() const { return m_pageServices.get(); }

  // A new panel from the template, replacing the old one; null for a
  // template without a panel class or when it cannot be created.
  CWindowServices* CreatePage(std::uint32_t templateId);
  void DestroyPage();

 private:
  class FrameServices : public CWndServices {
   public:
    explicit FrameServices(CPropertyFrame* frame) : CWndServices(frame), m_frame(frame) {}
    CWindowServices* GetFirstChild() override { return m_frame->GetPageServices(); }
    CWindowServices* CreateChildDialog(std::uint32_t templateId) override { return m_frame->CreatePage(templateId); }

   private:
    CPropertyFrame* m_frame;
  };
  class PageServices : public CWndServices {
   public:
    PageServices(CPropertyFrame* frame, fw::CWnd* page) : CWndServices(page), m_frame(frame) {}
    void Destroy() override { m_frame->DestroyPage(); }

   private:
    CPropertyFrame* m_frame;
  };

  CPropertyFrame** m_owner;
  FrameServices m_services{this};
  std::unique_ptr<fw::CDialog> m_page;
  std::unique_ptr<PageServices> m_pageServices;
};
// The program-wide property window, null when it does not exist.
CPropertyFrame*& ThePropertyFrame();
