#include "app/appointment_reader.h"

#include <system_error>
#include <utility>

#include "app/appointment_file.h"
#include "platform/error.h"

namespace erm::app {

AppointmentReader::~AppointmentReader() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    unread_.clear();
  }
  work_ready_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void AppointmentReader::BeginAccount(std::string account, std::string folder) {
  accounts_.push_back({std::move(account), std::move(folder)});
}

size_t AppointmentReader::Queue(std::string termin_text) {
  if (reads_.empty() && !threaded_) Start();
  const Job job{&accounts_.back(), std::move(termin_text), &reads_.emplace_back()};
  if (!threaded_) {
    Read(job);
  } else {
    batch_.push_back(job);
    if (batch_.size() >= kBatch) Flush();
  }
  return reads_.size() - 1;
}

void AppointmentReader::Flush() {
  if (batch_.empty()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    unread_.insert(unread_.end(), std::make_move_iterator(batch_.begin()),
                   std::make_move_iterator(batch_.end()));
  }
  batch_.clear();
  work_ready_.notify_one();
}

std::vector<AppointmentRead> AppointmentReader::TakeAll() {
  if (threaded_) {
    Flush();
    std::unique_lock<std::mutex> lock(mutex_);
    // What the thread has not begun is read here, so that the last few files of the scan are
    // read two at a time rather than after one another.
    Job job;
    while (NextUnread(&job)) {
      lock.unlock();
      Read(job);
      lock.lock();
      --in_progress_;
    }
    work_done_.wait(lock, [this] { return in_progress_ == 0; });
  }
  std::vector<AppointmentRead> reads(std::make_move_iterator(reads_.begin()),
                                     std::make_move_iterator(reads_.end()));
  reads_.clear();
  accounts_.clear();
  for (const AppointmentRead& read : reads) {
    if (read.unexpected) std::rethrow_exception(read.unexpected);
  }
  return reads;
}

void AppointmentReader::Start() {
  if (!system_.ConcurrentFileReads()) return;
  try {
    thread_ = std::thread([this] { Work(); });
    threaded_ = true;
  } catch (const std::system_error&) {
    // Without a thread the files are read in turn, as they are queued.
  }
}

void AppointmentReader::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  Job job;
  for (;;) {
    work_ready_.wait(lock, [this] { return stopping_ || !unread_.empty(); });
    if (stopping_) return;
    NextUnread(&job);
    lock.unlock();
    Read(job);
    lock.lock();
    if (--in_progress_ == 0 && unread_.empty()) work_done_.notify_all();
  }
}

bool AppointmentReader::NextUnread(Job* job) {
  if (unread_.empty()) return false;
  *job = std::move(unread_.front());
  unread_.pop_front();
  ++in_progress_;
  return true;
}

void AppointmentReader::Read(const Job& job) {
  AppointmentRead& read = *job.read;
  read.path = job.account->folder + job.termin_text + ".trm";
  try {
    std::vector<std::string> texts = ReadAppointmentTexts(system_, read.path);
    read.entries.reserve(texts.size());
    for (const std::string& text : texts)
      read.entries.push_back(job.termin_text + " [" + job.account->name + "] " + text);
  } catch (const Error& e) {
    read.failed = true;
    read.error = e.message();
  } catch (...) {
    // Anything else (out of memory) ends the scan as it would have on the scan's own thread;
    // it must not end the program from this one.
    read.unexpected = std::current_exception();
  }
}

}  // namespace erm::app
