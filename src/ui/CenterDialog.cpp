#include "ui/CenterDialog.h"

namespace ui {
namespace {

int CenterOnAxis(int screen, int window) {
  int at = screen / 2 - window / 2;
  if (at < 0) at = 0;
  if (at > screen - window) at = screen - window;
  return at;
}

}  // namespace

Point CenterDialogOnScreen(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
  return {CenterOnAxis(screenWidth, windowWidth), CenterOnAxis(screenHeight, windowHeight)};
}

}  // namespace ui
