// The reminder scan's work on one large table, timed side by side with the floor of this design
// (the same positioned reads and nothing else) and with shapelib, which buffers its reads.
//
//   dbf_bench [RECORDS] [DIRECTORY]
//
// Writes a table of RECORDS reminder records (default 1,000,000; every tenth passes the scan's
// filter) into DIRECTORY, then runs each contender several times and reports the best run.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "common/dbf_writer.h"
#include "dbf/dbf_table.h"
#include "platform/paths.h"
#include "platform/posix/posix_system.h"

#ifdef ERM_BENCH_SHAPELIB
#include <shapefil.h>
#endif

// --- counting every heap allocation of the process ---

namespace {
std::atomic<uint64_t> g_allocations{0};
}

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);
extern "C" void __libc_free(void* p);

extern "C" void* malloc(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}
extern "C" void* realloc(void* p, size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, size);
}
extern "C" void free(void* p) {
  __libc_free(p);
}

void* operator new(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = __libc_malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  return operator new(size);
}
void operator delete(void* p) noexcept {
  __libc_free(p);
}
void operator delete[](void* p) noexcept {
  __libc_free(p);
}
void operator delete(void* p, size_t) noexcept {
  __libc_free(p);
}
void operator delete[](void* p, size_t) noexcept {
  __libc_free(p);
}

namespace {

constexpr char kFilter[] = "ERINNERUNG<='20261207000000'";
constexpr char kKey[] = "20261207000000";
constexpr int kRuns = 5;

struct Outcome {
  int64_t visible = 0;
  double checksum = 0;  // keeps the work from being optimised away and compares the contenders
};

struct Contender {
  Contender(const char* n, std::function<Outcome()> r) : name(n), run(std::move(r)) {}
  const char* name;
  std::function<Outcome()> run;
  double best_seconds = 1e100;
  Outcome outcome;
};

// Runs the contenders in turn, round after round, so that a busy moment of the machine falls on
// all of them alike; each keeps its best round.
void RunRounds(std::vector<Contender>* contenders) {
  for (int round = 0; round < kRuns; ++round) {
    for (Contender& c : *contenders) {
      const auto start = std::chrono::steady_clock::now();
      c.outcome = c.run();
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      c.best_seconds = std::min(c.best_seconds, took.count());
    }
  }
}

std::string WriteTable(const std::string& path, int64_t records) {
  erm::tools::DbfWriter w({{"ERINNERUNG", 'C', 14},
                           {"TERMINDATU", 'N', 14, 0},
                           {"BETREFF", 'C', 30},
                           {"ERLEDIGT", 'L', 1}});
  char reminder[32], appointment[32];
  for (int64_t i = 0; i < records; ++i) {
    // Every tenth record was reminded before the key day; the rest lie after it.
    const int day = i % 10 == 0 ? 1 + static_cast<int>(i % 6) : 8 + static_cast<int>(i % 20);
    const int hour = static_cast<int>(i % 24), minute = static_cast<int>(i % 60);
    std::snprintf(reminder, sizeof reminder, "202612%02d%02d%02d00", day, hour, minute);
    std::snprintf(appointment, sizeof appointment, "202612%02d%02d%02d00", std::min(day + 2, 28),
                  hour, minute);
    w.AddRecord({reminder, appointment, "Termin " + std::to_string(i), i % 3 ? "F" : "T"});
  }
  const std::string bytes = w.Bytes();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fclose(f);
  return bytes.substr(0, 12);
}

// The floor: one positioned read per record, two passes, no decoding.
Outcome BareReads(const std::string& path, uint16_t header_length, uint16_t record_length) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  const off_t size = ::lseek(fd, 0, SEEK_END);
  const int64_t count = (size - header_length) / record_length;
  std::vector<char> record(record_length);
  Outcome o;
  for (int pass = 0; pass < 2; ++pass) {
    for (int64_t r = 0; r < count; ++r) {
      if (::pread(fd, record.data(), record_length, header_length + r * record_length) !=
          record_length) {
        std::exit(1);
      }
      o.checksum += record[1];
    }
  }
  o.visible = count;
  ::close(fd);
  return o;
}

struct Allocations {
  uint64_t open = 0;
  uint64_t walks = 0;
  int64_t visits = 0;
};

Outcome Ours(erm::platform::PosixSystem& system, const std::string& path, Allocations* counted) {
  erm::dbf::TDbfTable table("Dbf_erinnerung", system);
  const uint64_t before_open = g_allocations.load();
  table.SetTableName(system.FullPath(erm::platform::FromHostPath(path)));
  table.SetExclusive(false);
  table.SetFilter(kFilter);
  table.SetFiltered(true);
  table.Open();
  const uint64_t before_walks = g_allocations.load();
  Outcome o;
  o.visible = table.CountVisibleRecords();
  if (o.visible > 0) {
    table.First();
    for (int64_t i = 0; i < o.visible; ++i) {
      const erm::dbf::TField& termin = table.GetField("TERMINDATU");
      o.checksum += termin.AsNumber();
      o.checksum += static_cast<double>(termin.AsText().size());
      table.Next();
    }
  }
  const uint64_t after_walks = g_allocations.load();
  table.Close();
  if (counted != nullptr) {
    counted->open = before_walks - before_open;
    counted->walks = after_walks - before_walks;
  }
  return o;
}

#ifdef ERM_BENCH_SHAPELIB
// The same comparison as the filter: blanks and control characters trimmed, letters a-z folded.
bool AtOrBeforeKey(const char* text) {
  while (*text != '\0' && static_cast<unsigned char>(*text) < 33)
    ++text;
  size_t n = std::strlen(text);
  while (n > 0 && static_cast<unsigned char>(text[n - 1]) < 33)
    --n;
  const size_t key_length = sizeof kKey - 1;
  for (size_t i = 0; i < n && i < key_length; ++i) {
    unsigned char a = static_cast<unsigned char>(text[i]);
    unsigned char b = static_cast<unsigned char>(kKey[i]);
    if (a >= 'a' && a <= 'z') a -= 32;
    if (a != b) return a < b;
  }
  return n <= key_length;
}

Outcome Shapelib(const std::string& path) {
  DBFHandle dbf = DBFOpen(path.c_str(), "rb");
  const int reminder = DBFGetFieldIndex(dbf, "ERINNERUNG");
  const int termin = DBFGetFieldIndex(dbf, "TERMINDATU");
  const int count = DBFGetRecordCount(dbf);
  Outcome o;
  for (int r = 0; r < count; ++r) {
    if (!DBFIsRecordDeleted(dbf, r) && AtOrBeforeKey(DBFReadStringAttribute(dbf, r, reminder))) {
      ++o.visible;
    }
  }
  for (int r = 0; r < count; ++r) {
    if (DBFIsRecordDeleted(dbf, r) || !AtOrBeforeKey(DBFReadStringAttribute(dbf, r, reminder))) {
      continue;
    }
    o.checksum += DBFReadDoubleAttribute(dbf, r, termin);
    o.checksum += static_cast<double>(std::strlen(DBFReadStringAttribute(dbf, r, termin)));
  }
  DBFClose(dbf);
  return o;
}
#endif

void Report(const Contender& c, int64_t records, double bare_seconds) {
  std::printf("%-28s %9.1f ms %12.0f records/s %7.2f of bare   (visible %lld)\n", c.name,
              c.best_seconds * 1000, static_cast<double>(records) / c.best_seconds,
              bare_seconds / c.best_seconds, static_cast<long long>(c.outcome.visible));
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t records = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const std::string directory = argc > 2 ? argv[2] : ".";
  const std::string path = directory + "/bench_erinnerung.dbf";
  const std::string start = WriteTable(path, records);
  const uint16_t header_length =
      static_cast<uint16_t>(static_cast<uint8_t>(start[8]) | (static_cast<uint8_t>(start[9]) << 8));
  const uint16_t record_length = static_cast<uint16_t>(static_cast<uint8_t>(start[10]) |
                                                       (static_cast<uint8_t>(start[11]) << 8));
  std::printf(
      "table: %lld records of %u bytes, filter %s, best of %d runs;\n"
      "records/s counts table records per whole scan (each record is read twice)\n",
      static_cast<long long>(records), record_length, kFilter, kRuns);

  erm::platform::PosixSystem system;
  std::vector<Contender> contenders;
  contenders.emplace_back("bare positioned reads",
                          [&] { return BareReads(path, header_length, record_length); });
  contenders.emplace_back("TDbfTable scan", [&] { return Ours(system, path, nullptr); });
#ifdef ERM_BENCH_SHAPELIB
  contenders.emplace_back("shapelib (buffered reads)", [&] { return Shapelib(path); });
#endif
  RunRounds(&contenders);
  for (const Contender& c : contenders)
    Report(c, records, contenders[0].best_seconds);
  std::printf("TDbfTable scan / bare reads: %.2f x the rate (target at least 1.5)\n",
              contenders[0].best_seconds / contenders[1].best_seconds);
#ifdef ERM_BENCH_SHAPELIB
  std::printf("TDbfTable scan / shapelib: %.2f x the rate (target at least 1.2)\n",
              contenders[2].best_seconds / contenders[1].best_seconds);
  const Outcome& ours = contenders[1].outcome;
  const Outcome& shp = contenders[2].outcome;
  if (shp.visible != ours.visible || shp.checksum != ours.checksum) {
    std::printf("shapelib and TDbfTable disagree: %lld/%f vs %lld/%f\n",
                static_cast<long long>(shp.visible), shp.checksum,
                static_cast<long long>(ours.visible), ours.checksum);
    return 1;
  }
#endif

  Allocations counted;
  Ours(system, path, &counted);
  // Both walks visit every record once: the count's walk and the reading walk.
  const double visits = 2.0 * static_cast<double>(records);
  std::printf("heap allocations: %llu at Open, %llu in the walks = %.6f per visited record\n",
              static_cast<unsigned long long>(counted.open),
              static_cast<unsigned long long>(counted.walks),
              static_cast<double>(counted.walks) / visits);
  std::remove(path.c_str());
  return 0;
}
