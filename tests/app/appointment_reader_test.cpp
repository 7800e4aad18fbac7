#include "app/appointment_reader.h"

#include <gtest/gtest.h>

#include "app/appointment_file.h"
#include "platform/sim/sim_system.h"

#ifndef _WIN32
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <new>
#include <thread>

#include "platform/paths.h"
#include "platform/posix/posix_system.h"
#endif

namespace erm::app {
namespace {

TEST(AppointmentReaderTest, WithoutConcurrentReadsEachFileIsReadWhenQueued) {
  // The simulation counts its calls in one order: its files are read in the scan's own turn.
  platform::SimSystem sim;
  sim.PutFile("C:\\t\\1.trm", "Kopf\r\n" + EncodeDecodeText("Zahnarzt") + "\r\n");
  AppointmentReader reader(sim);
  reader.BeginAccount("Familie", "C:\\t\\");
  reader.Queue("1");
  EXPECT_EQ(sim.read_count, 1);
  reader.Queue("2");
  const std::vector<AppointmentRead> reads = reader.TakeAll();
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].entries, std::vector<std::string>{"1 [Familie] Zahnarzt"});
  EXPECT_TRUE(reads[1].failed);
  EXPECT_EQ(reads[1].path, "C:\\t\\2.trm");
}

#ifndef _WIN32
namespace fs = std::filesystem;

// Real files, read on the reader's thread or not, with the threads that opened them counted.
class WatchedSystem : public platform::PosixSystem {
 public:
  bool concurrent = true;
  std::string failing_path;  // opening it fails as memory running out would

  bool ConcurrentFileReads() override { return concurrent; }
  std::unique_ptr<platform::File> OpenFile(const std::string& path, platform::FileAccess access,
                                           platform::FileShare share,
                                           platform::FileOpen mode) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (std::this_thread::get_id() != test_thread_) ++opened_elsewhere_;
    }
    opened_.notify_all();
    if (path == failing_path) throw std::bad_alloc();
    return PosixSystem::OpenFile(path, access, share, mode);
  }
  bool WaitForAnOpenElsewhere() {
    std::unique_lock<std::mutex> lock(mutex_);
    return opened_.wait_for(lock, std::chrono::seconds(30),
                            [this] { return opened_elsewhere_ > 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  std::thread::id test_thread_ = std::this_thread::get_id();
  int opened_elsewhere_ = 0;
};

class AppointmentReaderFilesTest : public ::testing::Test {
 protected:
  AppointmentReaderFilesTest() {
    dir_ = fs::temp_directory_path() / ("erm-reader-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    for (const char* account : {"Familie", "Verein"})
      fs::create_directories(dir_ / account);
  }
  ~AppointmentReaderFilesTest() override { fs::remove_all(dir_); }

  std::string Folder(const std::string& account) const {
    return platform::FromHostPath((dir_ / account).string()) + "\\";
  }
  // 200 records of two accounts: most files there, some missing, some folders.
  void QueueAll(AppointmentReader& reader) {
    for (int i = 0; i < 200; ++i) {
      const std::string account = i < 120 ? "Familie" : "Verein";
      if (i == 0 || i == 120) reader.BeginAccount(account, Folder(account));
      const std::string termin = "20261208" + std::to_string(100000 + i);
      const fs::path file = dir_ / account / (termin + ".trm");
      if (i % 7 == 3) {
        fs::create_directories(file);
      } else if (i % 11 != 5) {
        std::ofstream(file, std::ios::binary)
            << "Kopf\r\n"
            << EncodeDecodeText("Termin " + std::to_string(i)) << "\r\n"
            << EncodeDecodeText("Zeile 2") << "\r\n";
      }
      reader.Queue(termin);
    }
  }

  fs::path dir_;
  WatchedSystem system_;
};

TEST_F(AppointmentReaderFilesTest, ReadsOnItsThreadWhatReadingInTurnGives) {
  system_.concurrent = false;
  std::vector<AppointmentRead> in_turn;
  {
    AppointmentReader reader(system_);
    QueueAll(reader);
    in_turn = reader.TakeAll();
  }
  system_.concurrent = true;
  AppointmentReader reader(system_);
  QueueAll(reader);
  reader.Flush();
  ASSERT_TRUE(system_.WaitForAnOpenElsewhere()) << "no file was read beside the scan";
  const std::vector<AppointmentRead> beside = reader.TakeAll();

  ASSERT_EQ(beside.size(), 200u);
  ASSERT_EQ(in_turn.size(), 200u);
  for (size_t i = 0; i < beside.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(beside[i].path, in_turn[i].path);
    EXPECT_EQ(beside[i].entries, in_turn[i].entries);
    EXPECT_EQ(beside[i].failed, in_turn[i].failed);
    EXPECT_EQ(beside[i].error, in_turn[i].error);
  }
  EXPECT_EQ(beside[121].entries, (std::vector<std::string>{"20261208100121 [Verein] Termin 121",
                                                           "20261208100121 [Verein] Zeile 2"}));
  EXPECT_TRUE(beside[3].failed);
  EXPECT_TRUE(beside[5].failed);
  // The reader is empty again for the next scan.
  EXPECT_TRUE(reader.TakeAll().empty());
}

TEST_F(AppointmentReaderFilesTest, AnUnexpectedFailureOnItsThreadReachesTheScan) {
  system_.failing_path = Folder("Verein") + "20261208100150.trm";
  AppointmentReader reader(system_);
  QueueAll(reader);
  EXPECT_THROW(reader.TakeAll(), std::bad_alloc);
}

TEST_F(AppointmentReaderFilesTest, StopsWithoutReadingWhatIsLeft) {
  // A scan that ends by an error leaves its reader with files queued.
  auto reader = std::make_unique<AppointmentReader>(system_);
  QueueAll(*reader);
  reader->Flush();
  reader.reset();
}
#endif

}  // namespace
}  // namespace erm::app
