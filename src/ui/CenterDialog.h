// Where a dialog goes when it opens: the centre of the screen, kept on it where it fits.
#pragma once

namespace ui {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// Top-left corner for a window of the given outer size on a screen of the given size. A
// window larger than the screen keeps its far edge on the screen's, so its corner goes negative.
Point CenterDialogOnScreen(int screenWidth, int screenHeight, int windowWidth, int windowHeight);

}  // namespace ui
