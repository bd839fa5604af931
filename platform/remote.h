// Windows of other programs of the same user. A program that shows its top-level
// windows to the others publishes them (pid, window, class, title) in a table file of
// the shared folder and answers messages sent to them on its own Unix domain socket
// "<shared folder>w<pid>.sock". Both ends check that the peer runs as the same user.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plat {

struct PublishedWindow {
  int pid = 0;
  std::uint32_t window = 0;
  std::string className;
  std::string title;  // exact bytes, 1 to 255
};

// Replaces this process's entries in the table (the pid of each entry is ours);
// an empty list takes them out. Titles that are empty or longer than 255 bytes are
// not published.
bool PublishWindows(const std::vector<PublishedWindow>& windows);
// The entries of live processes; entries of dead ones are dropped from the file.
std::vector<PublishedWindow> ReadPublishedWindows();
bool IsProcessAlive(int pid);

// The message server of this process. Open gives the listening socket (non-blocking,
// the same one on later calls), -1 when it cannot be made.
int OpenMessageServer();
void CloseMessageServer();
int MessageServerFd();  // -1 when not open

// One message sent to us by another process, waiting for its answer.
struct RemoteRequest {
  std::uint32_t window = 0;
  std::uint32_t message = 0;
  std::uint64_t wParam = 0;
  std::int64_t lParam = 0;
  int fd = -1;
  int pid = 0;  // the sender
};
// Takes the next request without blocking; false when none waits. Connections of
// other users and malformed requests are dropped.
bool TakeRemoteRequest(RemoteRequest& req);
// Answers a taken request and closes its connection.
void AnswerRemoteRequest(RemoteRequest& req, std::int64_t result);

// Sends a message to a window of process pid and waits for its answer. While waiting,
// serve() runs whenever our own server has a request (and at least every 50 ms).
// False, with result 0, when the process cannot be reached or dies before answering.
bool SendRemoteMessage(int pid, std::uint32_t window, std::uint32_t message, std::uint64_t wParam,
                       std::int64_t lParam, std::int64_t* result, const std::function<void()>& serve = {});

}  // namespace plat
