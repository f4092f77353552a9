#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Maps dialog units to pixels the way dialog templates are laid out: a
// horizontal unit is a quarter of the font's average character width, a
// vertical one an eighth of its height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  QRect Rect(int x, int y, int width, int height) const;
  QSize Size(int width, int height) const;

 private:
  int baseX_;
  int baseY_;
};
