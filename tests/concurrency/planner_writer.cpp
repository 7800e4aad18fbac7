// planner_writer DIR SEED: writes a planner under DIR/planner and then changes it the way the
// planner may while the reminder module reads it: it appends records to the reminder tables (in
// two writes, as a writer going field by field does), rewrites records in place, cuts tables
// short, and rewrites appointment files both by writing a new file and renaming it over the old
// one and by truncating the file and writing it again. It prints "ready" once the planner is
// complete and stops when its standard input closes; then it writes DIR/writer.log, which names
// every TERMINDATU it put into a record and every version of every appointment file it wrote:
//   T <account> <termin>
//   F <account> <termin> <generation> <lines>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/dbf_writer.h"
#include "concurrency/writer_format.h"

namespace erm::concurrency {
namespace {

constexpr int kInitialRecords = 20;
constexpr int kMaxRecords = 120;
constexpr char kMask = 0x6E;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "planner_writer: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(2);
}

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("write");
    done += static_cast<size_t>(n);
  }
}

void WriteAt(int fd, off_t offset, const std::string& bytes) {
  if (::pwrite(fd, bytes.data(), bytes.size(), offset) != static_cast<ssize_t>(bytes.size())) {
    Fail("pwrite");
  }
}

enum class Kind { kDue, kNeverReminded, kDeleted };

struct Record {
  char flag = ' ';
  std::string termin;
  std::string erinnerung;
  std::string subject;
  std::string Bytes() const {
    std::string subject_field = subject;
    subject_field.resize(20, ' ');
    return std::string(1, flag) + termin + erinnerung + subject_field;
  }
};

struct Account {
  std::string name;
  std::string folder;  // host path ending in "/"
  int table = -1;
  int records = 0;
  std::map<std::string, long> generation;  // termin -> the appointment file's last version
};

class Writer {
 public:
  Writer(std::string dir, unsigned seed) : dir_(std::move(dir)), random_(seed) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    today_ = tm;
  }

  void Create() {
    const std::string planner = dir_ + "/planner/";
    MakeDirectory(planner);
    MakeDirectory(planner + "konten");
    for (int i = 0; i < kAccounts; ++i) {
      Account account;
      account.name = AccountName(i);
      account.folder = planner + "konten/" + account.name + "/";
      MakeDirectory(account.folder);
      MakeDirectory(account.folder + "termine");
      tools::DbfWriter table(
          {{"TERMINDATU", 'C', 14, 0}, {"ERINNERUNG", 'C', 14, 0}, {"BETREFF", 'C', 20, 0}});
      for (int r = 0; r < kInitialRecords; ++r) {
        const Record record = NewRecord(account, RandomKind());
        table.AddRawRecord(record.Bytes().substr(1), record.flag);
      }
      const std::string path = account.folder + "erinnerung.dbf";
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0) Fail("open " + path);
      WriteAll(fd, table.Bytes());
      account.table = fd;
      account.records = kInitialRecords;
      accounts_.push_back(account);
    }
    // The records above named their files before the accounts were in the list; write them now.
    for (Account& account : accounts_) {
      for (const std::string& termin : pending_files_[account.name])
        RewriteByRename(account, termin);
    }
    pending_files_.clear();
  }

  // One change of one account's table or files.
  void Step() {
    Account& account = accounts_[Uniform(0, kAccounts - 1)];
    const int what = Uniform(0, 99);
    if (what < 30) {
      RewriteRecord(account);
    } else if (what < 50) {
      if (account.records >= kMaxRecords) {
        CutTable(account);
      } else {
        AppendRecord(account);
      }
    } else if (what < 75) {
      RewriteByRename(account, AnyFile(account));
    } else {
      RewriteInPlace(account, AnyFile(account));
    }
    ++steps_;
  }

  void WriteLog() const {
    const std::string path = dir_ + "/writer.log";
    std::FILE* log = std::fopen(path.c_str(), "w");
    if (log == nullptr) Fail("open " + path);
    for (const std::string& line : termini_)
      std::fprintf(log, "T %s\n", line.c_str());
    for (const std::string& line : versions_)
      std::fprintf(log, "F %s\n", line.c_str());
    if (std::fclose(log) != 0) Fail("close " + path);
  }

  std::string Summary() const {
    return "steps " + std::to_string(steps_) + ", appends " + std::to_string(appends_) +
           ", record rewrites " + std::to_string(rewrites_) + ", cuts " + std::to_string(cuts_) +
           ", file renames " + std::to_string(renames_) + ", file rewrites in place " +
           std::to_string(in_place_);
  }

 private:
  static void MakeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) Fail("mkdir " + path);
  }

  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  Kind RandomKind() {
    const int k = Uniform(0, 9);
    return k < 6 ? Kind::kDue : k < 8 ? Kind::kNeverReminded : Kind::kDeleted;
  }

  // A day from two days ago to ten days ahead, one of six times of day, and the kind's seconds.
  std::string Termin(Kind kind) {
    std::tm day = today_;
    day.tm_mday += Uniform(-2, 10);
    day.tm_hour = 12;
    std::mktime(&day);
    static const char* const kTimes[] = {"0800", "0830", "1200", "1230", "1600", "1630"};
    const char* seconds = kind == Kind::kDue             ? kDueSeconds
                          : kind == Kind::kNeverReminded ? kNeverRemindedSeconds
                                                         : kDeletedSeconds;
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%s%s", day.tm_year + 1900, day.tm_mon + 1,
                  day.tm_mday, kTimes[Uniform(0, 5)], seconds);
    return text;
  }

  // A record of the kind with a fresh TERMINDATU whose appointment file exists before the
  // record names it, so that a file exists only for values the writer has written.
  Record NewRecord(Account& account, Kind kind) {
    Record record;
    record.termin = Termin(kind);
    record.flag = kind == Kind::kDeleted ? '*' : ' ';
    record.erinnerung = kind == Kind::kNeverReminded ? kReminderNever : kReminderCome;
    record.subject = "BETREFF " + std::to_string(steps_);
    NoteTermin(account, record.termin);
    return record;
  }

  void NoteTermin(Account& account, const std::string& termin) {
    termini_.insert(account.name + " " + termin);
    if (account.generation.count(termin) != 0) return;
    if (account.table < 0) {
      pending_files_[account.name].insert(termin);
      account.generation[termin] = 0;
      return;
    }
    RewriteByRename(account, termin);
  }

  std::string AnyFile(const Account& account) {
    auto it = account.generation.begin();
    std::advance(it, Uniform(0, static_cast<int>(account.generation.size()) - 1));
    return it->first;
  }

  std::string FileBytes(const Account& account, const std::string& termin, long generation,
                        int lines) const {
    std::string bytes = FirstLine() + "\r\n";
    for (int i = 1; i <= lines; ++i) {
      std::string line = AppointmentLine(account.name, termin, generation, i);
      for (char& c : line)
        c = static_cast<char>(c ^ kMask);
      bytes += line + "\r\n";
    }
    return bytes;
  }

  std::string NextVersion(Account& account, const std::string& termin, int* lines) {
    const long generation = ++account.generation[termin];
    *lines = Uniform(1, kMaxLines);
    versions_.push_back(account.name + " " + termin + " " + std::to_string(generation) + " " +
                        std::to_string(*lines));
    return FileBytes(account, termin, generation, *lines);
  }

  void RewriteByRename(Account& account, const std::string& termin) {
    int lines = 0;
    const std::string bytes = NextVersion(account, termin, &lines);
    const std::string path = account.folder + "termine/" + termin + ".trm";
    const std::string temporary = path + ".neu";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) Fail("open " + temporary);
    WriteAll(fd, bytes);
    ::close(fd);
    if (::rename(temporary.c_str(), path.c_str()) != 0) Fail("rename " + path);
    ++renames_;
  }

  // Truncates and writes again, the second half of the lines in a write of its own.
  void RewriteInPlace(Account& account, const std::string& termin) {
    int lines = 0;
    const std::string bytes = NextVersion(account, termin, &lines);
    const std::string path = account.folder + "termine/" + termin + ".trm";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) Fail("open " + path);
    if (::ftruncate(fd, 0) != 0) Fail("ftruncate " + path);
    const size_t line_size = kLineWidth + 2;
    const size_t split = line_size * static_cast<size_t>(1 + (lines + 1) / 2);
    WriteAll(fd, bytes.substr(0, split));
    WriteAll(fd, bytes.substr(split));
    ::close(fd);
    ++in_place_;
  }

  // Field by field, so that no moment of the file holds a record that reads as due unless the
  // writer means it to be: a record is first made safe (deleted, or reminded never), then gets
  // its date, then its final reminder date and flag.
  void RewriteRecord(Account& account) {
    const off_t at =
        kHeaderLength + static_cast<off_t>(Uniform(0, account.records - 1)) * kRecordLength;
    const Kind kind = RandomKind();
    const Record record = NewRecord(account, kind);
    switch (kind) {
      case Kind::kDue:
        WriteAt(account.table, at + kTerminOffset, record.termin);
        WriteAt(account.table, at + kErinnerungOffset, record.erinnerung);
        WriteAt(account.table, at, std::string(1, record.flag));
        break;
      case Kind::kNeverReminded:
        WriteAt(account.table, at + kErinnerungOffset, record.erinnerung);
        WriteAt(account.table, at + kTerminOffset, record.termin);
        WriteAt(account.table, at, std::string(1, record.flag));
        break;
      case Kind::kDeleted:
        WriteAt(account.table, at, std::string(1, record.flag));
        WriteAt(account.table, at + kTerminOffset, record.termin);
        WriteAt(account.table, at + kErinnerungOffset, record.erinnerung);
        break;
    }
    ++rewrites_;
  }

  // A record of any kind after the last one, in two writes: often cut right after TERMINDATU,
  // otherwise anywhere.
  void AppendRecord(Account& account) {
    const Record record = NewRecord(account, RandomKind());
    const std::string bytes = record.Bytes();
    const size_t split =
        Uniform(0, 1) == 0 ? kErinnerungOffset : static_cast<size_t>(Uniform(1, kRecordLength - 1));
    const off_t at = kHeaderLength + static_cast<off_t>(account.records) * kRecordLength;
    WriteAt(account.table, at, bytes.substr(0, split));
    WriteAt(account.table, at + static_cast<off_t>(split), bytes.substr(split));
    ++account.records;
    std::string count(4, '\0');
    for (int i = 0; i < 4; ++i)
      count[i] = static_cast<char>((account.records >> (8 * i)) & 0xFF);
    WriteAt(account.table, 4, count);
    ++appends_;
  }

  // As packing a table does: the file ends after fewer records.
  void CutTable(Account& account) {
    account.records = Uniform(5, kInitialRecords);
    if (::ftruncate(account.table,
                    kHeaderLength + static_cast<off_t>(account.records) * kRecordLength) != 0) {
      Fail("ftruncate");
    }
    ++cuts_;
  }

  std::string dir_;
  std::mt19937 random_;
  std::tm today_{};
  std::vector<Account> accounts_;
  std::map<std::string, std::set<std::string>> pending_files_;
  std::set<std::string> termini_;
  std::vector<std::string> versions_;
  long steps_ = 0, appends_ = 0, rewrites_ = 0, cuts_ = 0, renames_ = 0, in_place_ = 0;
};

bool StandardInputClosed() {
  pollfd p{0, POLLIN, 0};
  if (::poll(&p, 1, 0) <= 0) return false;
  char buffer[64];
  return ::read(0, buffer, sizeof buffer) <= 0;
}

}  // namespace
}  // namespace erm::concurrency

int main(int argc, char** argv) {
  using namespace erm::concurrency;
  if (argc != 3) {
    std::fprintf(stderr, "usage: planner_writer DIR SEED\n");
    return 2;
  }
  Writer writer(argv[1], static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
  writer.Create();
  std::printf("ready\n");
  std::fflush(stdout);
  for (long step = 0;; ++step) {
    if (step % 16 == 0 && StandardInputClosed()) break;
    writer.Step();
  }
  writer.WriteLog();
  std::printf("%s\n", writer.Summary().c_str());
  return 0;
}
