// Program threads: CreateThread over std::thread, Sleep in real time on
// them, and the end of all of them when the test ends the program.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "program_threads.h"
#include "sim_network.h"
#include "world.h"

namespace winsim {
namespace {

struct ThreadState {
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
};

struct ThreadObject : KernelObject {
  explicit ThreadObject(std::shared_ptr<ThreadState> s) : state(std::move(s)) {}
  std::string Describe() const override { return "thread"; }
  std::shared_ptr<ThreadState> state;
};

struct Threads {
  std::mutex lock;
  std::condition_variable changed;
  int running = 0;
  bool ending = false;
  bool exitHook = false;
  DWORD nextId = 1000;
  std::vector<std::thread> started;
};

// Never destroyed: threads still running at the program's end use it.
Threads& T() {
  static Threads& threads = *new Threads;
  return threads;
}

thread_local bool tProgramThread = false;

void EndThreadsAtExit() { sim::EndThreads(); }

}  // namespace

bool IsProgramThread() { return tProgramThread; }

bool ThreadsEnding() {
  std::lock_guard<std::mutex> guard(T().lock);
  return T().ending;
}

void CheckThreadEnd() {
  if (tProgramThread && ThreadsEnding()) throw ThreadEnd{};
}

void ProgramThreadSleep(DWORD milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  std::unique_lock<std::mutex> lock(T().lock);
  if (T().changed.wait_until(lock, deadline, [] { return T().ending; })) throw ThreadEnd{};
}

}  // namespace winsim

using namespace winsim;

namespace sim {

int RunningThreads() {
  std::lock_guard<std::mutex> guard(T().lock);
  return T().running;
}

void EndThreads() {
  if (IsProgramThread()) return;
  std::vector<std::thread> started;
  {
    std::lock_guard<std::mutex> guard(T().lock);
    T().ending = true;
    started.swap(T().started);
  }
  T().changed.notify_all();
  for (auto& thread : started) thread.join();
  {
    std::lock_guard<std::mutex> guard(T().lock);
    T().ending = false;
  }
  ResetSockets();
}

}  // namespace sim

extern "C" {

DWORD GetCurrentThreadId() {
  static std::atomic<DWORD> next{1};
  thread_local DWORD id = next++;
  return id;
}

HANDLE CreateThread(SECURITY_ATTRIBUTES*, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD, LPDWORD threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (Faulted("CreateThread")) return nullptr;
  auto state = std::make_shared<ThreadState>();
  std::lock_guard<std::mutex> guard(T().lock);
  ++T().running;
  if (threadId) *threadId = T().nextId++;
  if (!T().exitHook) {
    // Threads still running when the test program ends are ended before
    // winsim's own state goes away.
    std::atexit(EndThreadsAtExit);
    T().exitHook = true;
  }
  T().started.emplace_back([state, start, parameter] {
    tProgramThread = true;
    try {
      start(parameter);
    } catch (const ThreadEnd&) {
    }
    {
      std::lock_guard<std::mutex> guard(state->lock);
      state->done = true;
    }
    state->ended.notify_all();
    std::lock_guard<std::mutex> guard(T().lock);
    --T().running;
  });
  return AddObject(std::make_unique<ThreadObject>(state));
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto* thread = Find<ThreadObject>(handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  std::shared_ptr<ThreadState> state = thread->state;
  std::unique_lock<std::mutex> lock(state->lock);
  auto done = [&] { return state->done; };
  if (milliseconds == INFINITE) {
    state->ended.wait(lock, done);
    return WAIT_OBJECT_0;
  }
  return state->ended.wait_for(lock, std::chrono::milliseconds(milliseconds), done) ? WAIT_OBJECT_0
                                                                                    : WAIT_TIMEOUT;
}

}  // extern "C"
