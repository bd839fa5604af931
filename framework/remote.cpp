#include "framework/remote.h"

#include <unistd.h>

#include <utility>
#include <vector>

#include "platform/remote.h"

namespace fw {
namespace {

// Handles of windows of other programs: kRemoteBase + the index of (pid, window).
constexpr HWND kRemoteBase = 0x80000000u;
// Sent to a published window to bring it to the top; answered by the framework.
constexpr UINT kRaiseMessage = 0x03F0;

struct Remote {
  bool publishing = false;
  std::vector<std::pair<int, std::uint32_t>> handles;
};
Remote& R() {
  static Remote r;
  return r;
}

HWND ProxyFor(int pid, std::uint32_t window) {
  auto& hs = R().handles;
  for (std::size_t i = 0; i < hs.size(); ++i)
    if (hs[i].first == pid && hs[i].second == window) return kRemoteBase + HWND(i);
  hs.emplace_back(pid, window);
  return kRemoteBase + HWND(hs.size() - 1);
}

const std::pair<int, std::uint32_t>* Target(HWND h) {
  if (h < kRemoteBase) return nullptr;
  std::size_t i = h - kRemoteBase;
  return i < R().handles.size() ? &R().handles[i] : nullptr;
}

void Publish() {
  std::vector<plat::PublishedWindow> list;
  for (CWnd* w : CWnd::AllWindows()) {
    if (w->GetParent() || (w->GetStyle() & WS_CHILD) || w->GetWindowText().empty()) continue;
    plat::PublishedWindow p;
    p.window = w->m_hWnd;
    p.className = w->GetWndClass() ? w->GetWndClass()->name : std::string();
    p.title = w->GetWindowText();
    list.push_back(std::move(p));
  }
  plat::PublishWindows(list);
}

}  // namespace

BOOL PublishTopLevelWindows(BOOL on) {
  if (!on) {
    if (R().publishing) plat::PublishWindows({});
    plat::CloseMessageServer();
    R().publishing = false;
    return TRUE;
  }
  if (plat::OpenMessageServer() < 0) return FALSE;
  R().publishing = true;
  Publish();
  return TRUE;
}

bool PublishingWindows() { return R().publishing; }

bool IsRemoteWindow(HWND hwnd) { return Target(hwnd) != nullptr; }

HWND FindWindow(const char* className, const char* title) {
  if (CWnd* w = CWnd::FindWindow(className, title)) return w->m_hWnd;
  if (!title) return 0;
  int self = int(::getpid());
  for (const plat::PublishedWindow& p : plat::ReadPublishedWindows()) {
    if (p.pid == self || p.title != title) continue;
    if (className && p.className != className) continue;
    return ProxyFor(p.pid, p.window);
  }
  return 0;
}

BOOL BringWindowToTop(HWND hwnd) {
  if (IsRemoteWindow(hwnd)) return detail::RemoteSendMessage(hwnd, kRaiseMessage, 0, 0) != 0;
  CWnd* w = CWnd::FromHandle(hwnd);
  return w ? w->BringWindowToTop() : FALSE;
}

int ServeRemoteMessages() {
  if (plat::MessageServerFd() < 0) return 0;
  int n = 0;
  plat::RemoteRequest req;
  while (plat::TakeRemoteRequest(req)) {
    ++n;
    LRESULT result = 0;
    CWnd* w = CWnd::FromHandle(HWND(req.window));
    if (w && !w->GetParent()) {
      if (req.message == kRaiseMessage) {
        if (w->IsIconic()) w->ShowWindow(SW_RESTORE);
        w->BringWindowToTop();
        w->SetActiveWindow();
        w->NotifyChanged(WOC_ZORDER);  // the presentation raises it on the desktop
        result = 1;
      } else {
        result = SendMessage(HWND(req.window), UINT(req.message), WPARAM(req.wParam), LPARAM(req.lParam));
      }
    }
    plat::AnswerRemoteRequest(req, result);
  }
  return n;
}

namespace detail {

void TopLevelChanged() {
  if (R().publishing) Publish();
}

bool RemoteIsWindow(HWND hwnd) {
  const auto* t = Target(hwnd);
  if (!t) return false;
  for (const plat::PublishedWindow& p : plat::ReadPublishedWindows())
    if (p.pid == t->first && p.window == t->second) return true;
  return false;
}

LRESULT RemoteSendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const auto* t = Target(hwnd);
  if (!t) return 0;
  std::int64_t result = 0;
  auto target = *t;
  plat::SendRemoteMessage(target.first, target.second, msg, wp, std::int64_t(lp), &result,
                          [] { ServeRemoteMessages(); });
  return LRESULT(result);
}

}  // namespace detail
}  // namespace fw
