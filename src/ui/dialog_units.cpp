#include "ui/dialog_units.h"

#include <QFontMetrics>

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  baseX_ = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;  // average of 52, rounded
  baseY_ = metrics.height();
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  return QRect(x * baseX_ / 4, y * baseY_ / 8, width * baseX_ / 4, height * baseY_ / 8);
}

QSize DialogUnits::Size(int width, int height) const { return QSize(width * baseX_ / 4, height * baseY_ / 8); }
