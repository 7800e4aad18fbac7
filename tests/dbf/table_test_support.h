// Shared pieces of the table tests: the reminder table's layout, byte patches of a built table,
// and a table component over a simulated file system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/dbf_writer.h"
#include "dbf/dbf_table.h"
#include "platform/error.h"
#include "platform/sim/sim_system.h"

namespace erm::dbf::testing {

inline constexpr char kFolder[] = "C:\\Daten\\";
inline constexpr char kTablePath[] = "C:\\Daten\\erinnerung.dbf";

// The planner's reminder table: header length 129, record length 39.
inline tools::DbfWriter ReminderWriter(uint8_t version = 0x03, uint8_t language_driver = 0) {
  return tools::DbfWriter({{"ERINNERUNG", 'C', 14}, {"TERMINDATU", 'N', 14, 0}, {"TEXT", 'C', 10}},
                          version, language_driver);
}

inline void PutLe16(std::string* bytes, size_t at, uint32_t value) {
  (*bytes)[at] = static_cast<char>(value & 0xFF);
  (*bytes)[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void PutLe32(std::string* bytes, size_t at, uint32_t value) {
  PutLe16(bytes, at, value & 0xFFFF);
  PutLe16(bytes, at + 2, value >> 16);
}

struct TableFixture {
  platform::SimSystem sim;
  TDbfTable table{"Dbf_erinnerung", sim};

  TableFixture() {
    table.SetFilePath(kFolder);
    table.SetTableName("erinnerung.dbf");
  }

  void Put(const std::string& bytes) { sim.PutFile(kTablePath, bytes); }

  // The message of the error Open throws, or "" when it opens.
  std::string OpenError() {
    try {
      table.Open();
    } catch (const Error& e) {
      return e.message();
    }
    return std::string();
  }

  // Record numbers of the walk First .. Eof.
  std::vector<int64_t> Walk() {
    std::vector<int64_t> seen;
    for (table.First(); !table.Eof(); table.Next())
      seen.push_back(table.RecNo());
    return seen;
  }
};

}  // namespace erm::dbf::testing
