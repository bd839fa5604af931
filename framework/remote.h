// Windows of other programs: this program's top-level windows can be shown to the
// user's other programs, and theirs found by title and sent messages. A handle of a
// window of another program works with IsWindow, SendMessage and BringWindowToTop.
#pragma once
#include "framework/wnd.h"

namespace fw {

// Publishes this program's titled top-level windows (now and as they change) and
// answers the messages other programs send to them. FALSE when the server cannot start.
BOOL PublishTopLevelWindows(BOOL on = TRUE);
bool PublishingWindows();

// The first window with the title (exact bytes) and, when given, the class: our own
// top-level windows first, then the published ones of other programs. 0 when none.
HWND FindWindow(const char* className, const char* title);
BOOL BringWindowToTop(HWND hwnd);
bool IsRemoteWindow(HWND hwnd);

// Handles the messages other programs sent us (each one through SendMessage to its
// window); returns how many. The pump calls it before it takes a posted message.
int ServeRemoteMessages();

// Hooks for wnd.cpp.
namespace detail {
void TopLevelChanged();
bool RemoteIsWindow(HWND hwnd);
LRESULT RemoteSendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
}  // namespace detail

}  // namespace fw
