#include "model/guidelist.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/graphobject.h"
#include "model/guideline.h"
#include "model/outarea.h"
#include "model/segarray.h"
#include "platform/bytes.h"

// --- CGuideItem -------------------------------------------------------------

CGuideItem::~CGuideItem() = default;

void CGuideItem::DrawGuide(plat::DC*, const CMatrix3*, const CFRect*) {}
int CGuideItem::GetBounds(CFRect*) { return 0; }
int CGuideItem::GetRect(CFRect*) { return 0; }
std::uint32_t CGuideItem::GetPropertyDialogId() { return IDD_NO_PROPERTIES; }

int CGuideItem::ShowProperties(CWindowServices* prop) {
  if (!prop) return 1;
  FitPropertyPanel(
      prop, GetPropertyDialogId(),
      [](void* self, CWindowServices* w) { return static_cast<CGuideItem*>(self)->CreatePropertyPanel(w); },
      this, 25, 200);
  SetPropertyTitle(prop);
  FillPropertyPanel(prop);
  return 1;
}

CWindowServices* CGuideItem::CreatePropertyPanel(CWindowServices* parent) {
  if (!parent) return nullptr;
  const std::uint32_t id = GetPropertyDialogId();
  CWindowServices* panel = parent->CreateChildDialog(id);
  if (panel) panel->SetUserData(static_cast<std::intptr_t>(id));
  return panel;
}

void CGuideItem::SetPropertyTitle(CWindowServices* prop) {
  if (prop) prop->SetText("无属性");
}

void CGuideItem::FillPropertyPanel(CWindowServices*) {}
int CGuideItem::ApplyPropertyPanel(CWindowServices*) { return 0; }

std::uint32_t CGuideItem::WriteRecord(plat::HGLOBAL* out) {
  if (out) *out = 0;
  return 0;
}

int CGuideItem::AllowsRotateSkew() { return 1; }
int CGuideItem::Reserved14() { return 1; }
void CGuideItem::MarkSelected(plat::DC*, const CMatrix3*, const CFRect*) { selection = 2; }
void CGuideItem::UnmarkSelected(plat::DC*, const CMatrix3*, const CFRect*) { selection = 1; }
void CGuideItem::Offset(float, float) {}

void CGuideItem::Draw(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  if (drawFlags & 0x100)
    DrawFilled(dc, matrix, extent);
  else
    DrawOutline(dc, matrix, extent);
}

int CGuideItem::HitTest(float, float, float) { return 0; }
int CGuideItem::HitTestHandle(CViewServices*, float, float, int*) { return 0; }
int CGuideItem::SetRect(float, float, float, float) { return 0; }
int CGuideItem::InvalidateItem(CViewServices*, bool) { return 0; }
void CGuideItem::DrawOutline(plat::DC*, const CMatrix3*, const CFRect*) {}
void CGuideItem::DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  DrawOutline(dc, matrix, extent);
}

// --- CGuideList: the array ----------------------------------------------------

CGuideList::~CGuideList() { DeleteAll(); }

CGuideItem* CGuideList::GetAt(int index) const {
  return index >= 0 && index < GetSize() ? items_[std::size_t(index)] : nullptr;
}

int CGuideList::Add(CGuideItem* item) {
  items_.push_back(item);
  return GetSize() - 1;
}

void CGuideList::RemoveAt(int index) {
  if (index < 0 || index >= GetSize()) return;
  CGuideItem* item = items_[std::size_t(index)];
  items_.erase(items_.begin() + index);
  if (item == current_) current_ = nullptr;
}

void CGuideList::TakeAll(CGuideList& other) {
  items_.insert(items_.end(), other.items_.begin(), other.items_.end());
  other.items_.clear();
  other.current_ = nullptr;
  other.selectedCount_ = 0;
}

void CGuideList::DeleteAll() {
  for (CGuideItem* item : items_) delete item;
  items_.clear();
  current_ = nullptr;
  selectedCount_ = 0;
}

// --- Selection and drawing ----------------------------------------------------

CGuideItem* CGuideList::ItemAt(float x, float y, float tolerance) const {
  for (CGuideItem* item : items_)
    if (item->HitTest(x, y, tolerance)) return item;
  return nullptr;
}

void CGuideList::Select(plat::DC*, const CMatrix3*, const CFRect*, CGuideItem* item) {
  if (!item) return;
  item->selection = 1;
  if (!current_) current_ = item;
  ++selectedCount_;
}

void CGuideList::ClearSelection(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  const int oldRop = dc ? dc->SetROP2(plat::R2_NOTXORPEN) : 0;
  for (CGuideItem* item : items_) {
    if (item->selection == 0) continue;
    // A guide line's XOR drawing is the line itself, not a mark over it:
    // drawing it again here would wipe a line that stays in the list.
    if (dc && item->letter != GUIDE_LINE_LETTER) item->DrawGuide(dc, matrix, extent);
    item->selection = 0;
  }
  if (dc && oldRop) dc->SetROP2(oldRop);
  current_ = nullptr;
  selectedCount_ = 0;
}

void CGuideList::DrawSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  if (!dc) return;
  for (CGuideItem* item : items_)
    if (item->selection != 0) item->DrawGuide(dc, matrix, extent);
}

void CGuideList::RedrawSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  if (!dc) return;
  for (CGuideItem* item : items_)
    if (item->selection == 1) {
      item->DrawGuide(dc, matrix, extent);
      item->Draw(dc, matrix, extent);
    }
}

void CGuideList::MarkAllSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  for (CGuideItem* item : items_)
    if (item->selection != 0) item->MarkSelected(dc, matrix, extent);
}

void CGuideList::UnmarkAllSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  for (CGuideItem* item : items_)
    if (item->selection != 0) item->UnmarkSelected(dc, matrix, extent);
}

void CGuideList::OffsetSelected(float dx, float dy) {
  for (CGuideItem* item : items_)
    if (item->selection != 0) item->Offset(dx, dy);
}

void CGuideList::DeleteSelected(CViewServices* view) {
  std::vector<CGuideItem*> kept;
  kept.reserve(items_.size());
  for (CGuideItem* item : items_) {
    if (item->selection == 0) {
      kept.push_back(item);
      continue;
    }
    if (view) item->InvalidateItem(view, true);
    delete item;
  }
  items_.swap(kept);
  current_ = nullptr;
  selectedCount_ = 0;
}

int CGuideList::ShowCurrentProperties(CWindowServices* prop) {
  return current_ ? current_->ShowProperties(prop) : 0;
}

int CGuideList::ApplyCurrentProperties(CWindowServices* panel) {
  return current_ ? current_->ApplyPropertyPanel(panel) : 0;
}

// --- Blocks -------------------------------------------------------------------

std::uint32_t CGuideList::Pack(plat::HGLOBAL* out, bool selectedOnly) {
  std::size_t p = GUIDE_BLOCK_HEAD;
  plat::HGLOBAL block = 0;
  for (CGuideItem* item : items_) {
    if (selectedOnly && item->selection != 1) continue;
    plat::HGLOBAL h = 0;
    const std::uint32_t len = item->WriteRecord(&h);
    if (len == 0 || !h) {
      if (h) plat::GlobalFree(h);
      continue;
    }
    const std::size_t need = p + len + 10;
    if (need > 0xFFFFFFF0u) {
      plat::GlobalFree(h);
      break;
    }
    if (!block) {
      block = plat::GlobalAlloc(plat::GHND, need);
    } else if (!plat::GlobalReAlloc(block, need, plat::GHND)) {
      plat::GlobalFree(h);
      break;
    }
    if (!block) {
      plat::GlobalFree(h);
      return 0;
    }
    {
      plat::GlobalLockGuard src(h);
      plat::GlobalLockGuard dst(block);
      if (src && dst && src.size() >= len) {
        std::memcpy(dst.bytes() + p, src.bytes(), len);
        p += len;
        dst.bytes()[p] = GUIDE_BLOCK_END;
      }
    }
    plat::GlobalFree(h);
  }
  if (!block) return 0;
  if (p == GUIDE_BLOCK_HEAD) {
    plat::GlobalFree(block);
    return 0;
  }
  {
    plat::GlobalLockGuard dst(block);
    dst.bytes()[0] = GUIDE_BLOCK_VERSION;
    plat::PutU32(dst.bytes() + 1, static_cast<std::uint32_t>(p + 1));
    dst.bytes()[p] = GUIDE_BLOCK_END;
  }
  if (out) {
    *out = block;
  } else {
    plat::GlobalFree(block);
  }
  return static_cast<std::uint32_t>(p + 1);
}

std::uint32_t CGuideList::PackToGlobal(plat::HGLOBAL* out) { return Pack(out, false); }

std::unique_ptr<CGuideItem> CreateGuideItemFromRecord(const std::uint8_t* record,
                                                      std::size_t available) {
  if (!record || available < 1) return nullptr;
  switch (record[0]) {
    case GUIDE_LINE_LETTER: return CGuideLine::LoadFromRecord(record, available);
    case OUT_AREA_LETTER: return COutArea::LoadFromRecord(record, available);
    default: return nullptr;
  }
}

std::unique_ptr<CGuideList> CGuideList::UnpackFromBuffer(const std::uint8_t* block,
                                                         std::size_t size) {
  if (!block || size < GUIDE_BLOCK_HEAD || block[0] != GUIDE_BLOCK_VERSION) return nullptr;
  const std::uint32_t n = plat::GetU32(block + 1);
  if (n < GUIDE_BLOCK_HEAD + 1) return nullptr;
  // Records end before the block's end byte and inside what is readable.
  const std::size_t limit = std::min<std::size_t>(n - 1, size);
  const std::size_t end = n - 2;
  std::unique_ptr<CGuideList> list;
  std::size_t p = GUIDE_BLOCK_HEAD;
  while (p < end && p + GUIDE_BLOCK_HEAD <= limit) {
    const std::uint8_t letter = block[p];
    std::uint32_t minLength = 0;
    if (letter == GUIDE_LINE_LETTER)
      minLength = GUIDE_LINE_RECORD_LENGTH;
    else if (letter == OUT_AREA_LETTER)
      minLength = OUT_AREA_RECORD_LENGTH;
    else
      break;
    const std::uint32_t len = plat::GetU32(block + p + 1);
    if (len < minLength || len > limit - p) break;
    if (std::unique_ptr<CGuideItem> item = CreateGuideItemFromRecord(block + p, len)) {
      if (!list) list = std::make_unique<CGuideList>();
      list->Add(std::move(item));
    }
    p += len;
  }
  return list;
}

std::unique_ptr<CGuideList> CGuideList::UnpackFromGlobal(plat::HGLOBAL block) {
  plat::GlobalLockGuard g(block);
  if (!g) return nullptr;
  return UnpackFromBuffer(g.bytes(), g.size());
}

// --- Files --------------------------------------------------------------------

int CGuideList::WriteToFile(CFileServices& file) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = PackToGlobal(&h);
  if (n == 0) return 0;
  bool ok;
  {
    plat::GlobalLockGuard g(h);
    ok = g && file.Write(g.bytes(), n);
  }
  plat::GlobalFree(h);
  return ok ? 1 : 0;
}

std::unique_ptr<CGuideList> CGuideList::ReadFromFile(CFileServices& file) {
  const std::uint64_t start = file.GetPosition();
  std::uint8_t head[GUIDE_BLOCK_HEAD];
  if (file.Read(head, sizeof head) != sizeof head) return nullptr;
  const std::uint32_t n = plat::GetU32(head + 1);
  const std::uint64_t length = file.GetLength();
  if (n <= GUIDE_BLOCK_HEAD + 1 || start > length || n > length - start) return nullptr;
  if (!file.Seek(start)) return nullptr;
  std::vector<std::uint8_t> buf(n);
  const std::size_t got = file.Read(buf.data(), n);
  return UnpackFromBuffer(buf.data(), got);
}

int CGuideList::LoadFromFile(CFileServices& file) {
  if (std::unique_ptr<CGuideList> read = ReadFromFile(file)) TakeAll(*read);
  return 1;
}

// --- Clipboard ----------------------------------------------------------------

int CGuideList::CopyToClipboard() {
  CClipboardServices* clip = GetClipboardServices();
  if (!clip) return 0;
  plat::HGLOBAL h = 0;
  if (Pack(&h, true) == 0) return 1;  // nothing selected: the clipboard stays as it is
  if (!clip->Open()) {
    plat::GlobalFree(h);
    return 0;
  }
  clip->Empty();
  if (!clip->SetData(RegisteredClipboardFormats().guideItems, h)) plat::GlobalFree(h);
  clip->Close();
  return 1;
}

int CGuideList::PasteFromClipboard() {
  CClipboardServices* clip = GetClipboardServices();
  if (!clip || !clip->Open()) return 0;
  std::unique_ptr<CGuideList> read;
  const std::uint32_t format = RegisteredClipboardFormats().guideItems;
  if (format != 0 && clip->IsFormatAvailable(format)) read = UnpackFromGlobal(clip->GetData(format));
  clip->Close();
  if (!read) return 0;
  TakeAll(*read);
  return 1;
}

// --- Views ----------------------------------------------------------------------

CFRect VisiblePageRect(CViewServices* view) {
  if (!view) return {};
  const CMatrix3* m = view->GetViewMatrix();
  if (!m || !m->IsInvertible()) return {};
  const std::unique_ptr<CMatrix3> inv = m->CreateInverse();
  const plat::RECT cr = view->GetClientRect();
  CFRect r(float(cr.left), float(cr.top), float(cr.right), float(cr.bottom));
  CFPoint quad[4];
  inv->TransformRectToQuad(r, quad);
  CFRect out(quad[0].x, quad[0].y, quad[0].x, quad[0].y);
  for (const CFPoint& q : quad) {
    out.left = std::min(out.left, q.x);
    out.top = std::min(out.top, q.y);
    out.right = std::max(out.right, q.x);
    out.bottom = std::max(out.bottom, q.y);
  }
  return out;
}
