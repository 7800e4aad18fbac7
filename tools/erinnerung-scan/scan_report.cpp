#include "erinnerung-scan/scan_report.h"

#include <cstdio>

#include "platform/code_pages.h"

namespace erm::tools {
namespace {

using platform::Cp1252ToUtf8;

std::string JsonString(const std::string& cp1252) {
  std::string out = "\"";
  for (const char c : Cp1252ToUtf8(cp1252)) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

const char* Bool(bool value) {
  return value ? "true" : "false";
}

const char* KindName(app::NoticeKind kind) {
  switch (kind) {
    case app::NoticeKind::kToday:
      return "today";
    case app::NoticeKind::kNextDay:
      return "next-day";
    case app::NoticeKind::kNone:
      break;
  }
  return "none";
}

std::string JsonNode(const app::TreeModelNode& node, bool with_children) {
  std::string out = "{\"text\": " + JsonString(node.text) + ", \"bold\": " + Bool(node.bold);
  if (with_children) {
    out += ", \"children\": [";
    for (size_t i = 0; i < node.children.size(); ++i) {
      out += (i ? ", " : "") + JsonNode(node.children[i], false);
    }
    out += "]";
  }
  return out + "}";
}

// The notice text's lines, each indented, for reading in a terminal.
std::string IndentedLines(const std::string& text) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    out += "    " + Cp1252ToUtf8(text.substr(pos, end - pos)) + "\n";
    pos = end + 2;
  }
  return out;
}

}  // namespace

std::string FormatHuman(const ScanReport& report) {
  std::string out;
  if (report.tree.empty())
    out +=
        "(keine Termine in den n\xC3\xA4"
        "chsten Tagen)\n";
  for (const app::TreeModelNode& day : report.tree) {
    out += Cp1252ToUtf8(day.text) + "\n";
    for (const app::TreeModelNode& entry : day.children) {
      out += "   " + Cp1252ToUtf8(entry.text) + "\n";
    }
  }
  out += "\n";
  switch (report.notice) {
    case app::NoticeKind::kToday:
      out += "Hinweis: heute\n";
      out += "  Benachrichtigung: " + Cp1252ToUtf8(report.balloon_title) + "\n";
      out += "  Hinweisfenster: " + Cp1252ToUtf8(report.dialog_headline) + "\n";
      out += IndentedLines(report.dialog_text);
      break;
    case app::NoticeKind::kNextDay:
      out +=
          "Hinweis: n\xC3\xA4"
          "chster Tag\n";
      out += "  Benachrichtigung: " + Cp1252ToUtf8(report.balloon_title) + "\n";
      out += IndentedLines(report.balloon_text);
      break;
    case app::NoticeKind::kNone:
      out += "Hinweis: keiner\n";
      break;
  }
  if (!report.problems.empty()) {
    out += "\nNicht gelesen:\n";
    // A problem of no account (the planner's konten folder out of reach) is shown bare, as the
    // main window's tree shows it.
    for (const app::ScanProblem& p : report.problems) {
      out += p.account.empty() ? "  " : "  [" + Cp1252ToUtf8(p.account) + "] ";
      out += Cp1252ToUtf8(p.message) + "\n";
    }
  }
  return out;
}

std::string FormatJson(const ScanReport& report) {
  std::string out = "{\"plannerDirectory\": " + JsonString(report.planner_directory);
  out += ", \"accounts\": [";
  for (size_t i = 0; i < report.accounts.size(); ++i) {
    out += std::string(i ? ", " : "") + "{\"name\": " + JsonString(report.accounts[i].name) +
           ", \"chosen\": " + Bool(report.accounts[i].chosen) + "}";
  }
  out += "], \"due\": [";
  for (size_t i = 0; i < report.due.size(); ++i) {
    out += (i ? ", " : "") + JsonString(report.due[i]);
  }
  out += "], \"tree\": [";
  for (size_t i = 0; i < report.tree.size(); ++i) {
    out += (i ? ", " : "") + JsonNode(report.tree[i], true);
  }
  out += "], \"todayCount\": " + std::to_string(report.today_count);
  out += ", \"notice\": {\"kind\": \"" + std::string(KindName(report.notice)) + "\"";
  out += ", \"balloonTitle\": " + JsonString(report.balloon_title);
  out += ", \"balloonText\": " + JsonString(report.balloon_text);
  out += ", \"dialogHeadline\": " + JsonString(report.dialog_headline);
  out += ", \"dialogText\": " + JsonString(report.dialog_text) + "}";
  out += ", \"problems\": [";
  for (size_t i = 0; i < report.problems.size(); ++i) {
    out += std::string(i ? ", " : "") + "{\"account\": " + JsonString(report.problems[i].account) +
           ", \"message\": " + JsonString(report.problems[i].message) + "}";
  }
  return out + "]}\n";
}

}  // namespace erm::tools
