// Messages that program threads send to the dialog. The platform runs a
// window's procedure on the window's own thread: a sender on another thread
// waits until that thread retrieves the message. Here the window's thread is
// the test's thread, which delivers such messages whenever it pumps.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "program_threads.h"
#include "sim_network.h"
#include "world.h"

namespace winsim {
namespace {

struct SentMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool started = false;
  bool done = false;
};

struct Mailbox {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::shared_ptr<SentMessage>> queue;
};

// Never destroyed: threads still running at the program's end use it.
Mailbox& Box() {
  static Mailbox& box = *new Mailbox;
  return box;
}

constexpr auto kSlice = std::chrono::milliseconds(20);

}  // namespace

LRESULT SendFromProgramThread(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CheckThreadEnd();
  auto sent = std::make_shared<SentMessage>(SentMessage{window, message, wParam, lParam});
  std::unique_lock<std::mutex> lock(Box().lock);
  Box().queue.push_back(sent);
  Box().changed.notify_all();
  for (;;) {
    Box().changed.wait_for(lock, kSlice, [&] { return sent->done; });
    if (sent->done) return sent->result;
    // A message being delivered points into this thread's memory: the thread
    // ends only before delivery has begun.
    if (!sent->started && ThreadsEnding()) {
      std::erase(Box().queue, sent);
      throw ThreadEnd{};
    }
  }
}

void DeliverSentMessages() {
  for (;;) {
    std::shared_ptr<SentMessage> sent;
    {
      std::lock_guard<std::mutex> guard(Box().lock);
      if (Box().queue.empty()) return;
      sent = Box().queue.front();
      Box().queue.pop_front();
      sent->started = true;
    }
    LRESULT result = SendMessageW(sent->window, sent->message, sent->wParam, sent->lParam);
    {
      std::lock_guard<std::mutex> guard(Box().lock);
      sent->result = result;
      sent->done = true;
    }
    Box().changed.notify_all();
  }
}

void ReleaseSendersTo(HWND window) {
  std::lock_guard<std::mutex> guard(Box().lock);
  std::erase_if(Box().queue, [&](const std::shared_ptr<SentMessage>& sent) {
    if (sent->window != window) return false;
    sent->done = true;
    return true;
  });
  Box().changed.notify_all();
}

}  // namespace winsim

using namespace winsim;

namespace sim {

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    PumpMessages();
    if (done()) return true;
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    std::unique_lock<std::mutex> lock(Box().lock);
    Box().changed.wait_until(lock, std::min(deadline, now + kSlice),
                             [] { return !Box().queue.empty(); });
  }
}

void PumpMessagesFor(DWORD milliseconds) {
  PumpMessagesUntil([] { return false; }, milliseconds);
}

}  // namespace sim
