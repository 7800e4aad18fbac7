// The small value types the controls share: colours, fonts, alignment and the mouse and key
// codes that events carry.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace erm::ui {

class Component;

// A colour as Windows stores it (0x00BBGGRR), or one of the user's system colours, marked by the
// high bit with the system colour index below it.
using Color = uint32_t;
inline constexpr Color kSystemColorFlag = 0x80000000;
inline constexpr Color kColorBlack = 0x000000;
inline constexpr Color kColorGreen = 0x008000;
inline constexpr Color kColorRed = 0x0000FF;
inline constexpr Color kColorWhite = 0xFFFFFF;
inline constexpr Color kColorWindow = kSystemColorFlag | 5;
inline constexpr Color kColorWindowText = kSystemColorFlag | 8;
inline constexpr Color kColorBtnFace = kSystemColorFlag | 15;
inline constexpr Color kColorBtnText = kSystemColorFlag | 18;

// Sizes and font heights are pixels at 96 dots per inch; the Windows peer scales them.
struct Font {
  std::string name = "MS Sans Serif";
  int height = 11;  // character height, without the internal leading
  bool bold = false;
  bool underline = false;
  Color color = kColorWindowText;

  friend bool operator==(const Font&, const Font&) = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  friend bool operator==(const Rect&, const Rect&) = default;
};

enum class Align { kNone, kTop, kBottom, kClient };

using NotifyEvent = std::function<void(Component* sender)>;

}  // namespace erm::ui
