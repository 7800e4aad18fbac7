// The appointment files of one scan, read on a thread of their own while the scan walks on, so
// that the tables and the files are read side by side: on a share each file costs round trips
// for its opening, reading and closing, and the walk need not wait for them.
//
// The scan's thread queues a file per due record and takes the results after its last walk, in
// the order it queued them, so that the due list and the problems come out as from reading each
// file in turn. Where the platform does not allow reads from another thread, and when no thread
// can be started, each file is read when it is queued.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/system.h"

namespace erm::app {

// One due record's appointment file and the due-list entries made from it.
struct AppointmentRead {
  std::string path;
  // TERMINDATU text + " [" + account + "] " + text, one per appointment text line.
  std::vector<std::string> entries;
  bool failed = false;
  std::string error;              // the platform's message, when failed
  std::exception_ptr unexpected;  // any other failure, thrown again by TakeAll
};

class AppointmentReader {
 public:
  explicit AppointmentReader(platform::System& system) : system_(system) {}
  // Stops the thread without reading what is still queued.
  ~AppointmentReader();
  AppointmentReader(const AppointmentReader&) = delete;
  AppointmentReader& operator=(const AppointmentReader&) = delete;

  // The account whose records are queued next, and the folder of its appointment files
  // (ending with "\").
  void BeginAccount(std::string account, std::string folder);
  // Queues the file of the record with this TERMINDATU text and returns its place among the
  // results.
  size_t Queue(std::string termin_text);
  // Hands what is queued to the thread now rather than with the next full batch: the scan calls
  // this after each account, so that the files are read during its pause.
  void Flush();
  // Waits until every queued file is read (reading what the thread has not begun itself) and
  // returns the results in queue order; the reader is empty again afterwards.
  std::vector<AppointmentRead> TakeAll();

  // Queued files handed to the thread at once: one wake-up per batch, not per file.
  static constexpr size_t kBatch = 64;

 private:
  struct Account {
    std::string name;
    std::string folder;
  };
  struct Job {
    const Account* account = nullptr;
    std::string termin_text;
    AppointmentRead* read = nullptr;
  };

  void Start();
  void Work();
  // Takes the next file nobody has begun, with the lock held; false when there is none.
  bool NextUnread(Job* job);
  void Read(const Job& job);

  platform::System& system_;
  std::deque<Account> accounts_;  // grows at the back only, as reads_
  // Grows at the back only, so the thread's pointers into it stay valid while files are queued.
  std::deque<AppointmentRead> reads_;
  std::vector<Job> batch_;  // queued, not yet handed over (scan thread only)

  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable work_done_;
  std::deque<Job> unread_;  // handed over, not begun
  size_t in_progress_ = 0;
  bool stopping_ = false;
  bool threaded_ = false;
  std::thread thread_;
};

}  // namespace erm::app
