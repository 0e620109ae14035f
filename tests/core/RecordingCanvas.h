// A canvas that records what is drawn, with fixed-width metrics: every character is
// kCharWidth pixels wide and kLineHeight high.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/Canvas.h"

class RecordingCanvas : public display::Canvas {
 public:
  static constexpr int32_t kCharWidth = 8;
  static constexpr int32_t kLineHeight = 16;

  struct Text {
    int32_t x;
    int32_t y;
    std::string text;
    ColorRef colour;
  };
  struct Fill {
    display::Rect rect;
    ColorRef colour;
    bool bordered;
  };

  void SetTextColour(ColorRef colour) override { m_colour = colour; }
  void DrawString(int32_t x, int32_t y, std::string_view text) override {
    texts.push_back({x, y, std::string(text), m_colour});
  }
  display::TextExtent MeasureString(std::string_view text) override {
    return {static_cast<int32_t>(text.size()) * kCharWidth, kLineHeight};
  }
  void FillRectangle(const display::Rect& rect, ColorRef colour) override {
    fills.push_back({rect, colour, false});
  }
  void DrawBorderedRectangle(const display::Rect& rect, ColorRef fill) override {
    fills.push_back({rect, fill, true});
  }
  display::CharMetrics GetCharMetrics() override { return {kCharWidth, kLineHeight}; }

  // The first text drawn that starts with `head`, or nullptr.
  const Text* Find(std::string_view head) const {
    for (const Text& t : texts) {
      if (t.text.starts_with(head)) return &t;
    }
    return nullptr;
  }

  std::vector<Text> texts;
  std::vector<Fill> fills;

 private:
  ColorRef m_colour = 0;
};
