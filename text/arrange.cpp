#include "text/arrange.h"

#include "model/pathobject.h"
#include "model/services.h"
#include "text/boxarray.h"

namespace {
bool g_autoFill = true;
}

void SetAutoFill(bool on) { g_autoFill = on; }
bool GetAutoFill() { return g_autoFill; }

CBoxItem* CTextArrange::GetItem(int index) const { return items ? items->GetAt(index) : nullptr; }

int CTextArrange::NextCharIndex(int index) const {
  return items ? items->NextCharIndex(index) : -1;
}

int CTextArrange::PrevCharIndex(int index) const {
  if (!items) return -1;
  const int k = items->PrevCharIndex(index);
  return k < index && k >= 0 ? k : -1;
}

void CTextArrange::PlaceChar(CBoxChar*) {}

std::uint32_t CTextArrange::WriteRecord(plat::HGLOBAL* out) {
  if (out) *out = 0;
  return 0;
}

std::unique_ptr<CMatrix3> CTextArrange::GetCharMatrix(const CBoxChar* c) const {
  if (!c) return nullptr;
  return std::make_unique<CMatrix3>(c->sizeX / 1024.0f, 0.0f, 0.0f, c->sizeY / 1024.0f, c->x,
                                    c->y);
}

std::unique_ptr<CMatrix3> CTextArrange::GetCharMatrixAt(int index) const {
  const CBoxChar* c = items ? items->CharAt(index) : nullptr;
  return c ? GetCharMatrix(c) : nullptr;
}

void CTextArrange::DrawHandles(plat::DC*, const CMatrix3*) {}

CFPoint CTextArrange::GetCaretLine(int, int, CFPoint* p1, CFPoint* p2) {
  if (p1) *p1 = CFPoint{};
  if (p2) *p2 = CFPoint{};
  return CFPoint{};
}

int CTextArrange::CaretFromPoint(int, float, float, CFPoint* p1, CFPoint* p2) {
  if (p1) *p1 = CFPoint{};
  if (p2) *p2 = CFPoint{};
  return 0;
}

void CTextArrange::GetDefaultCaret(CFPoint* p1, CFPoint* p2, float, float) {
  if (p1) *p1 = CFPoint{};
  if (p2) *p2 = CFPoint{};
}

int CTextArrange::SideAtPoint(int, float, float) { return 0; }
int CTextArrange::HitTestHandle(CViewServices*, float, float, int*) { return 0; }
void CTextArrange::Layout(int) {}
int CTextArrange::MoveHandle(std::uint32_t, int, float, float, const CFPoint*) { return 0; }
void CTextArrange::OffsetBy(float, float) {}
void CTextArrange::SetRect(float, float, float, float) {}
std::unique_ptr<CPathObject> CTextArrange::MakeBoxOutline() { return nullptr; }
int CTextArrange::NavigateKey(std::uint32_t, int, int*) { return -1; }

CWindowServices* CTextArrange::CreatePage(CWindowServices* parent) {
  if (!parent) return nullptr;
  CWindowServices* page = parent->CreateChildDialog(IDD_ARRANGE_NONE);
  if (page) page->SetUserData(IDD_ARRANGE_NONE);
  return page;
}

void CTextArrange::FillPage(CWindowServices*) {}
int CTextArrange::ReadPage(CWindowServices*) { return 0; }

void CTextArrange::SetPageTitle(CWindowServices* page) {
  if (page) page->SetText("无属性");
}

std::uint32_t CTextArrange::GetPageId() { return IDD_ARRANGE_NONE; }

std::unique_ptr<CTextArrange> CreateArrange(const std::uint8_t* record, std::size_t available) {
  if (!record || available == 0) return nullptr;
  switch (record[0]) {
    case '1':
    case '2':
    case '3':
    case '4':
      return CLineArrange::FromRecord(record, available);
    case '5':
      return CArcArrange::FromRecord(record, available);
    case '6':
      return CArchArrange::FromRecord(record, available);
    case '7':
      return CPathArrange::FromRecord(record, available);
    default:
      return nullptr;
  }
}
