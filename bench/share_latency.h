// A network share's latency for the benchmarks, on top of the platform the tools use (real
// files, fixed clock, no pauses): while `on_share` is set, every call of the platform seam that
// reaches a file server waits a fixed time first, as its round trip would, and is counted by
// kind: opening a file, reading from it, asking its size, listing a folder, asking whether a
// file exists. Folders' files are opened by their whole path then, as on Windows.
#pragma once

#include <array>
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

  enum Call { kOpen, kRead, kSize, kListing, kExists, kCallKinds };
  static constexpr const char* kCallNames[kCallKinds] = {"opens", "reads", "sizes", "listings",
                                                         "exists"};

  bool on_share = false;
  // The wait per call on the share.
  std::chrono::microseconds round_trip{0};

  // The calls that reached the server since the last reset, by kind; the scan calls on two
  // threads.
  std::array<std::atomic<uint64_t>, kCallKinds> calls{};
  uint64_t TotalCalls() const {
    uint64_t sum = 0;
    for (const auto& c : calls)
      sum += c;
    return sum;
  }
  void ResetCalls() {
    for (auto& c : calls)
      c = 0;
  }

  std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::FileAccess access,
                                           platform::FileShare share,
                                           platform::FileOpen mode) override {
    if (!on_share) return ToolSystem::OpenFile(path, access, share, mode);
    RoundTrip(kOpen);
    return std::make_unique<SharedFile>(ToolSystem::OpenFile(path, access, share, mode), *this);
  }
  std::unique_ptr<platform::Folder> OpenFolder(const std::string& path) override {
    if (on_share) return System::OpenFolder(path);
    return ToolSystem::OpenFolder(path);
  }
  bool FileExists(const std::string& path) override {
    if (on_share) RoundTrip(kExists);
    return ToolSystem::FileExists(path);
  }
  std::unique_ptr<platform::DirEnumeration> Enumerate(const std::string& pattern) override {
    if (on_share) RoundTrip(kListing);
    return ToolSystem::Enumerate(pattern);
  }

 private:
  void RoundTrip(Call call) {
    ++calls[call];
    if (round_trip.count() > 0) std::this_thread::sleep_for(round_trip);
  }

  class SharedFile : public platform::File {
   public:
    SharedFile(std::unique_ptr<platform::File> base, ShareLatencySystem& owner)
        : base_(std::move(base)), owner_(owner) {}
    platform::ReadStatus ReadAt(uint64_t offset, void* out, size_t size, size_t* got) override {
      owner_.RoundTrip(kRead);
      return base_->ReadAt(offset, out, size, got);
    }
    uint64_t Size() override {
      owner_.RoundTrip(kSize);
      return base_->Size();
    }
    void Write(const void* data, size_t size) override { base_->Write(data, size); }
    void Close() override { base_->Close(); }

   private:
    std::unique_ptr<platform::File> base_;
    ShareLatencySystem& owner_;
  };
};

}  // namespace erm::bench
