// A network share's latency for the benchmarks: every read call of a table file (".dbf") waits a
// fixed time before it reads, as a round trip to the file server would, on top of the platform
// the tools use (real files, fixed clock, no pauses); the other files may wait too.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "erinnerung-scan/tool_system.h"

namespace erm::bench {

class ShareLatencySystem : public tools::ToolSystem {
 public:
  using ToolSystem::ToolSystem;

  // The wait per read call of a table; zero reads at local speed.
  std::chrono::microseconds read_delay{0};
  // The wait for opening any other file and for each read of it (the appointment files; not
  // counted).
  std::chrono::microseconds file_delay{0};
  // Off, the scan walks its accounts in turn on one thread.
  bool concurrent_reads = true;

  bool ConcurrentFileReads() override {
    return concurrent_reads && ToolSystem::ConcurrentFileReads();
  }
  // Read calls of tables and the nanoseconds they waited in all, for the report; the scan reads
  // on two threads.
  std::atomic<uint64_t> table_reads{0};
  std::atomic<int64_t> waited_ns{0};

  std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::FileAccess access,
                                           platform::FileShare share,
                                           platform::FileOpen mode) override {
    const bool table = path.size() >= 4 && path.compare(path.size() - 4, 4, ".dbf") == 0;
    if (!table && file_delay.count() > 0) std::this_thread::sleep_for(file_delay);
    std::unique_ptr<platform::File> file = ToolSystem::OpenFile(path, access, share, mode);
    if (!table && file_delay.count() == 0) return file;
    return std::make_unique<DelayedFile>(std::move(file), *this, table);
  }
  // With the appointment files on the share, a folder's files are opened by path, through
  // OpenFile above, to wait as long.
  std::unique_ptr<platform::Folder> OpenFolder(const std::string& path) override {
    if (file_delay.count() > 0) return System::OpenFolder(path);
    return ToolSystem::OpenFolder(path);
  }

 private:
  class DelayedFile : public platform::File {
   public:
    DelayedFile(std::unique_ptr<platform::File> base, ShareLatencySystem& owner, bool table)
        : base_(std::move(base)), owner_(owner), table_(table) {}
    platform::ReadStatus ReadAt(uint64_t offset, void* out, size_t size, size_t* got) override {
      if (!table_) {
        std::this_thread::sleep_for(owner_.file_delay);
        return base_->ReadAt(offset, out, size, got);
      }
      ++owner_.table_reads;
      if (owner_.read_delay.count() > 0) {
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(owner_.read_delay);
        owner_.waited_ns += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count();
      }
      return base_->ReadAt(offset, out, size, got);
    }
    uint64_t Size() override { return base_->Size(); }
    void Write(const void* data, size_t size) override { base_->Write(data, size); }
    void Close() override { base_->Close(); }

   private:
    std::unique_ptr<platform::File> base_;
    ShareLatencySystem& owner_;
    bool table_;
  };
};

}  // namespace erm::bench
